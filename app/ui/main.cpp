#include "app/ui/AppendApp.h"

int main(int argc, char** argv) {
    quorvel::CAppendApp app(argc, argv);
    return app.InitInstance();
}
