#pragma once

#include <views/appearance.h>

#include <QWidget>

class QCheckBox;

namespace kernwick {

class TextLabel;

// One line of the package contents: symbol, title and subtitle, and at its end either a checkbox for
// the option it stands for or a fixed green tick.
class PackageRow final : public QWidget
{
    Q_OBJECT

public:
    // With `isToggle` the row carries a checkbox (see checkBox()); without it, the tick.
    PackageRow(Appearance &appearance, const QString &icon, const QString &title, const QString &subtitle,
               bool isToggle, QWidget *parent = nullptr);

    void setSubtitle(const QString &subtitle);
    QString title() const;
    QString subtitle() const;
    QCheckBox *checkBox() const { return m_checkBox; }

private:
    TextLabel *m_title;
    TextLabel *m_subtitle;
    QCheckBox *m_checkBox = nullptr;
};

} // namespace kernwick
