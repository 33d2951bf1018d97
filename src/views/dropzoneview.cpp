#include "dropzoneview.h"

#include <views/filledbutton.h>
#include <views/symbolicon.h>
#include <views/textlabel.h>

#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

// The symbol on an accent circle of 40 across, whose strength follows the drag.
class BadgeCircle final : public QWidget
{
public:
    BadgeCircle(Appearance &appearance, const DropZoneView *zone, QWidget *parent)
        : QWidget(parent)
        , m_appearance(appearance)
        , m_zone(zone)
    {
        setFixedSize(40, 40);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(
            m_appearance.color(colors::accentBlue.withOpacity(m_zone->isDraggingOver() ? 0.15 : 0.08)));
        painter.drawEllipse(QRectF(rect()));
    }

private:
    Appearance &m_appearance;
    const DropZoneView *m_zone;
};

} // namespace

DropZoneView::DropZoneView(Appearance &appearance, bool isDraggingOver, std::function<void()> onBrowse,
                           QWidget *parent)
    : QWidget(parent)
    , m_appearance(appearance)
    , m_isDraggingOver(isDraggingOver)
{
    setObjectName(u"dropZone"_s);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(20, 14, 20, 14);
    row->setSpacing(16);

    auto *circle = new BadgeCircle(appearance, this, this);
    auto *circleLayout = new QHBoxLayout(circle);
    circleLayout->setContentsMargins(0, 0, 0, 0);
    m_badge = new SymbolIcon(appearance, {}, 18, colors::accentText, circle);
    circleLayout->addWidget(m_badge, 0, Qt::AlignCenter);
    row->addWidget(circle);

    auto *texts = new QVBoxLayout;
    texts->setSpacing(3);
    m_title = new TextLabel(appearance, {}, 15, QFont::DemiBold, colors::primary, this);
    texts->addWidget(m_title);
    texts->addWidget(new TextLabel(appearance, u"Keynote (.key) or PowerPoint (.pptx / .ppt)"_s, 13,
                                   QFont::Normal, colors::secondary, this));
    row->addLayout(texts);
    row->addStretch(1);

    m_browse = new FilledButton(appearance, u"Browse Files"_s, {}, this);
    m_browse->setObjectName(u"browseFiles"_s);
    connect(m_browse, &QAbstractButton::clicked, this, [onBrowse = std::move(onBrowse)] {
        if (onBrowse)
            onBrowse();
    });
    row->addWidget(m_browse);

    m_isDraggingOver = !isDraggingOver;
    setDraggingOver(isDraggingOver);
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
}

void DropZoneView::setDraggingOver(bool isDraggingOver)
{
    if (m_isDraggingOver == isDraggingOver)
        return;
    m_isDraggingOver = isDraggingOver;
    m_badge->setSymbol(badgeSymbol(), colors::accentText);
    m_title->setText(title());
    m_title->setColor(isDraggingOver ? colors::accentText : colors::primary);
    update();
}

QString DropZoneView::title() const
{
    return m_isDraggingOver ? u"Drop to open"_s : u"Drop your presentation here"_s;
}

QString DropZoneView::badgeSymbol() const
{
    return m_isDraggingOver ? u"arrow.down.circle.fill"_s : u"doc.badge.plus"_s;
}

void DropZoneView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_isDraggingOver ? m_appearance.color(colors::accentBlue.withOpacity(0.05))
                                      : colors::cardFill(m_appearance.isDark()));
    painter.drawRoundedRect(box, 10, 10);
    // A dash pattern of 6 drawn and 4 blank, in units of the 1.5-wide pen.
    QPen dashes(m_isDraggingOver ? m_appearance.color(colors::accentBlue.withOpacity(0.7))
                                 : m_appearance.color(colors::secondary.withOpacity(0.3)),
                1.5);
    dashes.setDashPattern({6 / 1.5, 4 / 1.5});
    dashes.setCapStyle(Qt::FlatCap);
    painter.setPen(dashes);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(box, 10, 10);
}

} // namespace kernwick
