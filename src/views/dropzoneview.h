#pragma once

#include <views/appearance.h>

#include <QWidget>

#include <functional>

namespace kernwick {

class FilledButton;
class SymbolIcon;
class TextLabel;

// The first step's body while no presentation is chosen: a dashed box inviting a drop, with a button
// that opens the file chooser. Its look follows whether a file is being dragged over the step.
class DropZoneView final : public QWidget
{
    Q_OBJECT

public:
    DropZoneView(Appearance &appearance, bool isDraggingOver, std::function<void()> onBrowse,
                 QWidget *parent = nullptr);

    bool isDraggingOver() const { return m_isDraggingOver; }
    void setDraggingOver(bool isDraggingOver);

    QString title() const;
    QString badgeSymbol() const;
    FilledButton *browseButton() const { return m_browse; }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    Appearance &m_appearance;
    bool m_isDraggingOver;
    SymbolIcon *m_badge;
    TextLabel *m_title;
    FilledButton *m_browse;
};

} // namespace kernwick
