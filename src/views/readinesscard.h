#pragma once

#include <views/appearance.h>

#include <QWidget>

namespace kernwick {

class SymbolIcon;
class TextLabel;

// The verdict on the font list: "Ready for Handoff" or "Needs Attention", with the workflow's one-line
// status message under it, on a tinted card.
class ReadinessCard final : public QWidget
{
    Q_OBJECT

public:
    explicit ReadinessCard(Appearance &appearance, QWidget *parent = nullptr);

    void setState(bool isReady, const QString &statusMessage);
    bool isReady() const { return m_isReady; }
    QString title() const;
    QString message() const;
    QString symbolName() const;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Appearance &m_appearance;
    bool m_isReady = false;
    SymbolIcon *m_icon;
    TextLabel *m_title;
    TextLabel *m_message;
};

} // namespace kernwick
