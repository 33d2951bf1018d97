#pragma once

#include <views/appearance.h>

#include <QWidget>

namespace kernwick {

// The second step's body while there are no fonts to list: why (no file yet, or a file without fonts),
// and a legend of what the table will show.
class FontEmptyStateView final : public QWidget
{
    Q_OBJECT

public:
    FontEmptyStateView(Appearance &appearance, bool fileSelected, QWidget *parent = nullptr);

    bool fileSelected() const { return m_fileSelected; }
    static QString title(bool fileSelected);
    static QString explanation(bool fileSelected);
    static QString symbol(bool fileSelected);

private:
    bool m_fileSelected;
};

} // namespace kernwick
