#pragma once

#include <views/appearance.h>

#include <QWidget>

class QTimer;

namespace kernwick {

class TextLabel;

// A one-line card under the file card while a scan runs: a spinner and "Scanning fonts" with dots that
// count up twice a second, only while the card is on screen.
class ScanningProgressView final : public QWidget
{
    Q_OBJECT

public:
    explicit ScanningProgressView(Appearance &appearance, QWidget *parent = nullptr);

    int dots() const { return m_dots; }
    QString title() const;
    // The dot timer runs exactly while the view is shown.
    bool isTimerRunning() const { return m_timer != nullptr; }

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;

private:
    void advanceDots();

    Appearance &m_appearance;
    int m_dots = 0;
    QTimer *m_timer = nullptr;
    TextLabel *m_title;
};

} // namespace kernwick
