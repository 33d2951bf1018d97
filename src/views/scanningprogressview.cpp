#include "scanningprogressview.h"

#include <views/cardframe.h>
#include <views/textlabel.h>

#include <QHBoxLayout>
#include <QPainter>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

// An indeterminate circular spinner at the small control size (16), scaled to 0.85.
class Spinner final : public QWidget
{
public:
    Spinner(Appearance &appearance, QWidget *parent)
        : QWidget(parent)
        , m_appearance(appearance)
    {
        setFixedSize(16, 16);
        m_turn.setInterval(80);
        connect(&m_turn, &QTimer::timeout, this, [this] {
            m_step = (m_step + 1) % 12;
            update();
        });
    }

protected:
    void showEvent(QShowEvent *) override { m_turn.start(); }
    void hideEvent(QHideEvent *) override { m_turn.stop(); }
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.translate(width() / 2.0, height() / 2.0);
        painter.scale(0.85, 0.85);
        const QColor base = m_appearance.color(colors::secondary.withOpacity(1));
        for (int spoke = 0; spoke < 12; ++spoke) {
            QColor color = base;
            color.setAlphaF(base.alphaF() * float(0.15 + 0.85 * ((spoke - m_step + 12) % 12) / 11.0));
            painter.setPen(QPen(color, 1.8, Qt::SolidLine, Qt::RoundCap));
            painter.save();
            painter.rotate(spoke * 30.0);
            painter.drawLine(QPointF(0, -3.5), QPointF(0, -7.2));
            painter.restore();
        }
    }

private:
    Appearance &m_appearance;
    QTimer m_turn;
    int m_step = 0;
};

} // namespace

ScanningProgressView::ScanningProgressView(Appearance &appearance, QWidget *parent)
    : QWidget(parent)
    , m_appearance(appearance)
{
    setObjectName(u"scanningProgress"_s);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(14, 10, 14, 10);
    row->setSpacing(12);
    row->addWidget(new Spinner(appearance, this));
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    m_title = new TextLabel(appearance, title(), 14, QFont::Medium, colors::primary, this);
    m_title->setObjectName(u"scanningTitle"_s);
    texts->addWidget(m_title);
    texts->addWidget(new TextLabel(appearance, u"Reading your presentation — this may take a few seconds."_s,
                                   13, QFont::Normal, colors::secondary, this));
    row->addLayout(texts);
    row->addStretch(1);
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
}

QString ScanningProgressView::title() const
{
    return u"Scanning fonts"_s + QString(m_dots, u'.');
}

void ScanningProgressView::advanceDots()
{
    m_dots = (m_dots + 1) % 4;
    m_title->setText(title());
}

void ScanningProgressView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_timer)
        return;
    m_timer = new QTimer(this);
    m_timer->setInterval(500);
    connect(m_timer, &QTimer::timeout, this, &ScanningProgressView::advanceDots);
    m_timer->start();
}

void ScanningProgressView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    delete m_timer;
    m_timer = nullptr;
}

void ScanningProgressView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    CardStyle style;
    style.radius = 8;
    style.fill = [](const Appearance &appearance) {
        return colors::cardFill(appearance.isDark());
    };
    paintCard(painter, QRectF(rect()), style, m_appearance);
}

} // namespace kernwick
