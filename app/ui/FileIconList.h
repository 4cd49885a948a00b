#pragma once

#include <QFileIconProvider>
#include <QHash>
#include <QIcon>
#include <QList>
#include <QMimeDatabase>
#include <QString>

namespace quorvel {

// The small icons of the job list: one image per file type, looked up by the
// file's name only (the file is not opened and need not exist), so every row
// of one type shares one image and the list grows by one image per new type.
class CFileIconList {
public:
    // Position of the icon for `path`'s type, appending it on first use.
    int IconIndex(const QString& path);
    // The icon at `index`; a null icon for an index never handed out.
    QIcon Icon(int index) const;
    int Count() const { return static_cast<int>(m_icons.size()); }

private:
    QFileIconProvider m_provider;
    QMimeDatabase m_mimeDb;
    QHash<QString, int> m_indexByMime;
    // Names are matched to types by their endings: every name with the same
    // text after its first dot has the same type, found once.
    QHash<QString, int> m_indexBySuffix;
    QList<QIcon> m_icons;
};

} // namespace quorvel
