#include "app/ui/FilenameDelegate.h"

#include <QApplication>
#include <QStyle>

namespace quorvel {

namespace {

// Enough for the largest lists; beyond it the sizes are measured anew.
constexpr qsizetype kMaxRemembered = 50000;

} // namespace

QSize CFilenameDelegate::sizeHint(const QStyleOptionViewItem& option,
                                  const QModelIndex& index) const {
    if (index.data(Qt::SizeHintRole).isValid())
        return QStyledItemDelegate::sizeHint(option, index);
    const QStyle* style = option.widget ? option.widget->style() : QApplication::style();
    const Context context{option.font, style, option.decorationSize,
                          static_cast<int>(option.features),
                          static_cast<int>(option.displayAlignment)};
    if (!(context == m_context)) {
        m_sizes.clear();
        m_context = context;
    }
    const QPair<int, QString> key(static_cast<int>(option.state),
                                  index.data(Qt::DisplayRole).toString());
    const auto found = m_sizes.constFind(key);
    if (found != m_sizes.constEnd())
        return *found;
    if (m_sizes.size() >= kMaxRemembered)
        m_sizes.clear();
    const QSize size = QStyledItemDelegate::sizeHint(option, index);
    m_sizes.insert(key, size);
    return size;
}

} // namespace quorvel
