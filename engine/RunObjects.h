#pragma once

#include "engine/Automation.h"

#include <memory>

namespace quorvel {

// The automation objects that one append run holds from its start to its end.
// The view and page view are replaced whenever a bookmark named after the
// source is added; the output is made afresh after every row.
struct RunObjects {
    std::shared_ptr<IAcroApp> app;
    std::shared_ptr<IAcroAVDoc> view;
    std::shared_ptr<IAcroAVPageView> pageView;
    std::shared_ptr<IAcroPDDoc> source;
    std::shared_ptr<IAcroPDDoc> output;
};

} // namespace quorvel
