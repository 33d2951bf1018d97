#pragma once

#include <views/appearance.h>

#include <QWidget>

namespace kernwick {

// The second step's body while there are no fonts to list: why (no file yet, a scan under way, a file
// without fonts, a file that could not be read, with the scan's own reason and what to do), and a legend
// of what the table will show.
class FontEmptyStateView final : public QWidget
{
    Q_OBJECT

public:
    enum class Kind
    {
        noFile,
        scanning,
        noFonts,
        unreadable,
    };

    // `reason`: why an unreadable file could not be read, in the scan's words.
    FontEmptyStateView(Appearance &appearance, Kind kind, const QString &reason = {},
                       QWidget *parent = nullptr);

    Kind kind() const { return m_kind; }
    bool fileSelected() const { return m_kind != Kind::noFile; }
    static QString title(Kind kind);
    static QString explanation(Kind kind, const QString &reason = {});
    static QString symbol(Kind kind);

private:
    Kind m_kind;
};

} // namespace kernwick
