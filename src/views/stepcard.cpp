#include "stepcard.h"

#include <views/cardframe.h>
#include <views/textlabel.h>
#include <workflow/workflowstate.h>

#include <QDragEnterEvent>
#include <QHBoxLayout>
#include <QMimeData>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

constexpr int accentBarWidth = 4;
constexpr qreal cornerRadius = 14;
// Room around the card for its shadow (blur 8, 2 down).
const QMargins shadowRoom{4, 2, 4, 6};

CardStyle stepCardStyle()
{
    CardStyle style;
    style.radius = cornerRadius;
    style.fill = [](const Appearance &appearance) {
        return colors::stepCardFill(appearance.isDark());
    };
    style.shadowOpacity = 0.07;
    style.shadowRadius = 8;
    style.shadowOffsetY = 2;
    style.accentBar = [](const Appearance &appearance) {
        return appearance.color(colors::accentBlue);
    };
    style.accentBarWidth = accentBarWidth;
    return style;
}

// The step's number in white on an accent circle.
class NumberBadge final : public QWidget
{
public:
    NumberBadge(Appearance &appearance, int number, QWidget *parent)
        : QWidget(parent)
        , m_appearance(appearance)
        , m_number(number)
    {
        setFixedSize(30, 30);
        setFont(systemFont(13, QFont::Bold));
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_appearance.color(colors::accentBlue));
        painter.drawEllipse(QRectF(rect()));
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, QString::number(m_number));
    }

private:
    Appearance &m_appearance;
    int m_number;
};

bool carriesFiles(const QMimeData *data)
{
    if (!data || !data->hasUrls())
        return false;
    const QList<QUrl> urls = data->urls();
    return std::any_of(urls.begin(), urls.end(), [](const QUrl &url) { return url.isLocalFile(); });
}

} // namespace

StepCard::StepCard(Appearance &appearance, int number, const QString &title, const QString &subtitle,
                   QWidget *trailingHeader, QWidget *parent)
    : QWidget(parent)
    , m_appearance(appearance)
    , m_number(number)
{
    setObjectName(u"step"_s + QString::number(number));
    setContentsMargins(shadowRoom + QMargins(accentBarWidth + 16, 16, 16, 16));
    m_body = new QVBoxLayout(this);
    m_body->setContentsMargins(0, 0, 0, 0);
    m_body->setSpacing(14);

    auto *header = new QHBoxLayout;
    header->setSpacing(14);
    header->addWidget(new NumberBadge(appearance, number, this));
    auto *titles = new QVBoxLayout;
    titles->setSpacing(3);
    auto *titleLabel = new TextLabel(appearance, title, 16, QFont::Bold, colors::primary, this);
    titleLabel->setObjectName(u"stepTitle"_s);
    titles->addWidget(titleLabel);
    titles->addWidget(new TextLabel(appearance, subtitle, 13, QFont::Normal, colors::secondary, this));
    header->addLayout(titles);
    header->addStretch(1);
    if (trailingHeader)
        header->addWidget(trailingHeader);
    m_body->addLayout(header);
    connect(&m_appearance, &Appearance::colorSchemeChanged, this, qOverload<>(&QWidget::update));
}

void StepCard::setContent(QWidget *content)
{
    if (m_content == content)
        return;
    if (m_content) {
        m_body->removeWidget(m_content);
        m_content->deleteLater();
        m_content->hide();
    }
    m_content = content;
    if (m_content)
        m_body->addWidget(m_content);
}

void StepCard::acceptFileDrops(WorkflowState *workflow)
{
    m_dropWorkflow = workflow;
    setAcceptDrops(workflow != nullptr);
}

void StepCard::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QRectF card = QRectF(rect()).marginsRemoved(shadowRoom.toMarginsF());
    paintCard(painter, card, stepCardStyle(), m_appearance);
}

void StepCard::dragEnterEvent(QDragEnterEvent *event)
{
    if (!m_dropWorkflow || !carriesFiles(event->mimeData()))
        return;
    event->acceptProposedAction();
    m_dropWorkflow->setDraggingOver(true);
}

void StepCard::dragMoveEvent(QDragMoveEvent *event)
{
    if (m_dropWorkflow && carriesFiles(event->mimeData()))
        event->acceptProposedAction();
}

void StepCard::dragLeaveEvent(QDragLeaveEvent *)
{
    if (m_dropWorkflow)
        m_dropWorkflow->setDraggingOver(false);
}

void StepCard::dropEvent(QDropEvent *event)
{
    if (!m_dropWorkflow)
        return;
    m_dropWorkflow->setDraggingOver(false);
    if (!carriesFiles(event->mimeData()))
        return;
    // The first dropped item decides, as with any other drop; the workflow refuses what is not a
    // presentation.
    if (m_dropWorkflow->handleDrop(event->mimeData()->urls()))
        event->acceptProposedAction();
}

} // namespace kernwick
