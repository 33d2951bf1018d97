#pragma once

#include <views/appearance.h>

#include <QWidget>

namespace kernwick {

// One entry of the package folder preview, indented 14 per level under a turn-down arrow.
class FolderTreeRow final : public QWidget
{
    Q_OBJECT

public:
    FolderTreeRow(Appearance &appearance, const QString &icon, ColorSpec iconColor, const QString &name,
                  int indent, QWidget *parent = nullptr);

    const QString &name() const { return m_name; }
    const QString &icon() const { return m_icon; }
    int indent() const { return m_indent; }

    // A folder entry, in the desktop's standard blue.
    static FolderTreeRow *folder(Appearance &appearance, const QString &name, int indent, QWidget *parent);

private:
    QString m_icon;
    QString m_name;
    int m_indent;
};

} // namespace kernwick
