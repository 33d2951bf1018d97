#include "messagedialog.h"

#include <views/borderedbutton.h>
#include <views/filledbutton.h>
#include <views/symbols.h>
#include <views/textlabel.h>

#include <QAction>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QVBoxLayout>

namespace kernwick {

MessageDialog::MessageDialog(Appearance &appearance, const QString &title, const QString &text,
                             QWidget *parent)
    : QDialog(parent)
    , m_appearance(appearance)
{
    setWindowTitle(title);
    setPalette(appearance.palette());
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(20, 20, 20, 16);
    row->setSpacing(16);
    auto *logo = new QLabel(this);
    logo->setFixedSize(56, 56);
    logo->setPixmap(logoPixmap(56, devicePixelRatioF()));
    row->addWidget(logo, 0, Qt::AlignTop);
    auto *column = new QVBoxLayout;
    column->setSpacing(6);
    m_title = new TextLabel(appearance, title, 15, QFont::DemiBold, colors::primary, this);
    m_title->setObjectName(QStringLiteral("dialogTitle"));
    m_text = new TextLabel(appearance, text, 13, QFont::Normal, colors::secondary, this);
    m_text->setObjectName(QStringLiteral("dialogText"));
    m_text->setWordWrap(true);
    m_text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_text->setMinimumWidth(320);
    m_text->setMaximumWidth(420);
    column->addWidget(m_title);
    column->addWidget(m_text);
    column->addSpacing(10);
    m_buttonRow = new QHBoxLayout;
    m_buttonRow->setSpacing(8);
    m_buttonRow->addStretch(1);
    column->addLayout(m_buttonRow);
    row->addLayout(column, 1);
    connect(&appearance, &Appearance::colorSchemeChanged, this, [this] {
        setPalette(m_appearance.palette());
        update();
    });
}

QString MessageDialog::title() const
{
    return m_title->text();
}

QString MessageDialog::text() const
{
    return m_text->text();
}

QAbstractButton *MessageDialog::addButton(const QString &text, bool isDefault)
{
    QAbstractButton *button = nullptr;
    if (isDefault) {
        FilledButton::Look look;
        look.textSize = 13;
        look.padding = {18, 5, 18, 5};
        look.radius = 6;
        button = new FilledButton(m_appearance, text, look, this);
    } else {
        button = new BorderedButton(m_appearance, text, {}, this);
    }
    button->setFocusPolicy(Qt::StrongFocus);
    // The first added stands rightmost, as the desktop places a dialog's main button.
    m_buttonRow->insertWidget(1, button);
    connect(button, &QAbstractButton::clicked, this, &QDialog::accept);
    m_buttons.append(button);
    if (isDefault) {
        button->setFocus(Qt::OtherFocusReason);
        // Return presses the default button from anywhere in the dialog.
        auto *returnKey = new QAction(this);
        returnKey->setShortcuts({QKeySequence(Qt::Key_Return), QKeySequence(Qt::Key_Enter)});
        connect(returnKey, &QAction::triggered, button, &QAbstractButton::click);
        addAction(returnKey);
    }
    return button;
}

void MessageDialog::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), m_appearance.palette().color(QPalette::Window));
}

} // namespace kernwick
