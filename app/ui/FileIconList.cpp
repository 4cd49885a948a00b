#include "app/ui/FileIconList.h"

namespace quorvel {

int CFileIconList::IconIndex(const QString& path) {
    const QMimeType mime = m_mimeDb.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    const QString key = mime.name();
    const auto found = m_indexByMime.constFind(key);
    if (found != m_indexByMime.constEnd())
        return found.value();

    // Themes name icons by MIME type; without a theme entry fall back to the
    // provider's generic file icon so every row still shows an image.
    QIcon icon = QIcon::fromTheme(mime.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(mime.genericIconName());
    if (icon.isNull())
        icon = m_provider.icon(QAbstractFileIconProvider::File);
    m_icons.append(icon);
    const int index = static_cast<int>(m_icons.size()) - 1;
    m_indexByMime.insert(key, index);
    return index;
}

QIcon CFileIconList::Icon(int index) const {
    if (index < 0 || index >= m_icons.size())
        return {};
    return m_icons.at(index);
}

} // namespace quorvel
