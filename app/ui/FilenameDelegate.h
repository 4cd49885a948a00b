#pragma once

#include <QFont>
#include <QHash>
#include <QPair>
#include <QSize>
#include <QStyledItemDelegate>

class QStyle;

namespace quorvel {

// The job list's delegate for the Filename column: draws as the standard one
// does and gives the same size hints, but remembers the size each name needs.
// Fitting the column to its contents, which a bulk load does after every
// folder, then lays out only the names it has not seen rather than every name
// in the list again.
class CFilenameDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    // What the remembered sizes also depend on; a change forgets them all.
    struct Context {
        QFont font;
        const QStyle* style = nullptr;
        QSize decorationSize;
        int features = 0;
        int alignment = 0;
        bool operator==(const Context&) const = default;
    };
    mutable Context m_context;
    mutable QHash<QPair<int, QString>, QSize> m_sizes; // by item state and name
};

} // namespace quorvel
