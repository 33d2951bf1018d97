#pragma once

#include <views/cardframe.h>

namespace kernwick {

class TextLabel;

// One count tile of the summary row: the count, its label in the status colour and a sub-label.
class StatCard final : public CardFrame
{
    Q_OBJECT

public:
    StatCard(Appearance &appearance, qint64 value, const QString &label, const QString &sublabel,
             ColorSpec color, QWidget *parent = nullptr);

    void setValue(qint64 value);
    // Less room beside the texts, for a narrow window: the labels keep their size longer.
    void setCompact(bool compact);
    QString valueText() const;
    QString label() const;
    QString sublabel() const;
    TextLabel *labelText() const { return m_label; }
    TextLabel *sublabelText() const { return m_sublabel; }
    ColorSpec color() const { return m_color; }

private:
    ColorSpec m_color;
    TextLabel *m_value;
    TextLabel *m_label;
    TextLabel *m_sublabel;
};

} // namespace kernwick
