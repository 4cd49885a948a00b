#include "app/ui/FileIconList.h"

namespace quorvel {

int CFileIconList::IconIndex(const QString& path) {
    // A bulk load adds thousands of names; the type database is asked once
    // per ending. Names without a dot can be matched whole ("Makefile").
    const QString name = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    const qsizetype dot = name.indexOf(QLatin1Char('.'), 1);
    const QString suffix = dot > 0 ? name.mid(dot) : QString();
    if (!suffix.isEmpty()) {
        const auto known = m_indexBySuffix.constFind(suffix);
        if (known != m_indexBySuffix.constEnd())
            return known.value();
    }
    const QMimeType mime = m_mimeDb.mimeTypeForFile(path, QMimeDatabase::MatchExtension);
    const QString key = mime.name();
    const auto found = m_indexByMime.constFind(key);
    if (found != m_indexByMime.constEnd()) {
        if (!suffix.isEmpty())
            m_indexBySuffix.insert(suffix, found.value());
        return found.value();
    }

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
    if (!suffix.isEmpty())
        m_indexBySuffix.insert(suffix, index);
    return index;
}

QIcon CFileIconList::Icon(int index) const {
    if (index < 0 || index >= m_icons.size())
        return {};
    return m_icons.at(index);
}

} // namespace quorvel
