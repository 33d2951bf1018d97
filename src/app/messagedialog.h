#pragma once

#include <views/appearance.h>

#include <QDialog>

class QAbstractButton;
class QHBoxLayout;
class QLabel;

namespace kernwick {

class TextLabel;

// A short message in the window's own look: the logo, a title, a line or two of text and the window's
// buttons (the default one filled with the accent, the others bordered), in the current scheme.
class MessageDialog final : public QDialog
{
    Q_OBJECT

public:
    MessageDialog(Appearance &appearance, const QString &title, const QString &text,
                  QWidget *parent = nullptr);

    QString title() const;
    QString text() const;
    // A button that closes the dialog; `isDefault` makes it the filled one that Return presses. Buttons
    // stand right to left in the order they are added.
    QAbstractButton *addButton(const QString &text, bool isDefault = false);
    QList<QAbstractButton *> buttons() const { return m_buttons; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Appearance &m_appearance;
    TextLabel *m_title;
    TextLabel *m_text;
    QHBoxLayout *m_buttonRow;
    QList<QAbstractButton *> m_buttons;
};

} // namespace kernwick
