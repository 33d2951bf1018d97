#pragma once

#include <views/cardframe.h>

#include <functional>

class QPushButton;

namespace kernwick {

class SymbolButton;

// The chosen presentation in the first step: kind badge, name and folder, the change and remove
// buttons, and its type, size and modification time. Reads the file's attributes when made.
class FileCardView final : public CardFrame
{
    Q_OBJECT

public:
    FileCardView(Appearance &appearance, const QString &file, std::function<void()> onChangeFile,
                 std::function<void()> onClearFile, QWidget *parent = nullptr);

    // "Keynote (.key)", "PowerPoint (.pptx)" for both PowerPoint formats, else the extension upper-cased.
    static QString kindLabel(const QString &file);
    // "K" for Keynote, "P" for everything else.
    static QString badgeLetter(const QString &file);
    // Size in mebibytes with one decimal ("1.0 MB"), or "—" when it cannot be read.
    static QString sizeLabel(const QString &file);
    // A size in bytes as the card shows it: "812 bytes", "25 KB", "1.5 MB".
    static QString sizeText(qint64 bytes);
    // Medium date and short time in the user's locale, or "—".
    static QString modificationLabel(const QString &file);

    QPushButton *changeButton() const { return m_change; }
    SymbolButton *removeButton() const { return m_remove; }

private:
    QPushButton *m_change;
    SymbolButton *m_remove;
};

} // namespace kernwick
