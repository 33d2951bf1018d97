#pragma once

#include <views/appearance.h>

#include <QWidget>

class QCheckBox;

namespace kernwick {

class SymbolIcon;
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
    // The tick of a row without a checkbox: a green tick, or a grey dash when there is nothing to include.
    void setTicked(bool ticked);
    bool isTicked() const;
    QString title() const;
    QString subtitle() const;
    QCheckBox *checkBox() const { return m_checkBox; }

private:
    TextLabel *m_title;
    TextLabel *m_subtitle;
    QCheckBox *m_checkBox = nullptr;
    SymbolIcon *m_tick = nullptr;
};

} // namespace kernwick
