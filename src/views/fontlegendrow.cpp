#include "fontlegendrow.h"

#include <views/textlabel.h>

#include <QHBoxLayout>
#include <QPainter>

namespace kernwick {

namespace {

class Dot final : public QWidget
{
public:
    Dot(Appearance &appearance, ColorSpec color, QWidget *parent)
        : QWidget(parent)
        , m_appearance(appearance)
        , m_color(color)
    {
        setFixedSize(8, 8);
        connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_appearance.color(m_color));
        painter.drawEllipse(QRectF(rect()));
    }

private:
    Appearance &m_appearance;
    ColorSpec m_color;
};

} // namespace

FontLegendRow::FontLegendRow(Appearance &appearance, ColorSpec color, const QString &label, QWidget *parent)
    : QWidget(parent)
    , m_color(color)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    row->addWidget(new Dot(appearance, color, this));
    row->addWidget(new TextLabel(appearance, label, 13, QFont::Normal, colors::primary, this));
    row->addStretch(1);
}

QString FontLegendRow::label() const
{
    const auto *text = findChild<QLabel *>();
    return text ? text->text() : QString();
}

} // namespace kernwick
