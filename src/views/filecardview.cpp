#include "filecardview.h"

#include <views/borderedbutton.h>
#include <views/symbolbutton.h>
#include <views/textlabel.h>

#include <QAccessible>
#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLocale>
#include <QPainter>
#include <QRegularExpression>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

namespace {

const QString emDash = u"—"_s;

// The kind's initial in white on a rounded square in the kind's own colour.
class KindBadge final : public QWidget
{
public:
    KindBadge(const QString &letter, const QString &kind, QWidget *parent)
        : QWidget(parent)
        , m_letter(letter)
        , m_fill(colors::kindBadgeFill(letter == u"K"))
    {
        setObjectName(u"kindBadge"_s);
        setFixedSize(42, 42);
        setFont(systemFont(18, QFont::Bold));
        setProperty("accessibleRole", int(QAccessible::Graphic));
        setAccessibleName(kind);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_fill);
        painter.drawRoundedRect(QRectF(rect()), 8, 8);
        painter.setPen(Qt::white);
        painter.drawText(rect(), Qt::AlignCenter, m_letter);
    }

private:
    QString m_letter;
    QColor m_fill;
};

QString extensionOf(const QString &file)
{
    return QFileInfo(file).suffix().toLower();
}

} // namespace

QString FileCardView::kindLabel(const QString &file)
{
    const QString extension = extensionOf(file);
    if (extension == u"pptx" || extension == u"ppt")
        return u"PowerPoint (."_s + extension + u')';
    if (extension == u"key")
        return u"Keynote (.key)"_s;
    return extension.toUpper();
}

QString FileCardView::badgeLetter(const QString &file)
{
    return extensionOf(file) == u"key" ? u"K"_s : u"P"_s;
}

QString FileCardView::sizeLabel(const QString &file)
{
    const QFileInfo info(file);
    if (!info.exists())
        return emDash;
    qint64 bytes = info.size();
    if (info.isDir()) {
        // A Keynote package is a folder: its size is that of every file in it. Links are not followed, so
        // that nothing outside the package counts.
        bytes = 0;
        QDirIterator files(file, QDir::Files | QDir::Hidden | QDir::System | QDir::NoSymLinks,
                           QDirIterator::Subdirectories);
        while (files.hasNext())
            bytes += files.nextFileInfo().size();
    }
    return sizeText(bytes);
}

QString FileCardView::sizeText(qint64 bytes)
{
    // Megabytes with one decimal from what would show as 1.0 MB; below that whole kilobytes, and bytes
    // below one kilobyte: a small deck never reads "0.0 MB".
    const double megabytes = double(bytes) / 1048576.0;
    if (megabytes >= 0.95)
        return QString::asprintf("%.1f MB", megabytes);
    if (bytes >= 1024)
        return QString::asprintf("%.0f KB", double(bytes) / 1024.0);
    return bytes == 1 ? u"1 byte"_s : QString::number(bytes) + u" bytes"_s;
}

QString FileCardView::modificationLabel(const QString &file)
{
    const QFileInfo info(file);
    const QDateTime modified = info.exists() ? info.lastModified() : QDateTime();
    if (!modified.isValid())
        return emDash;
    const QLocale locale;
    // The locale's medium date: its long date without the weekday and with the month abbreviated
    // ("Dec 6, 2026" in American English, "6. Dez. 2026" in German).
    QString date = locale.dateFormat(QLocale::LongFormat);
    date.remove(QRegularExpression(u"d{4}[,.]?\\s*"_s));
    date.replace(QRegularExpression(u"M{4}"_s), u"MMM"_s);
    // The short time in hours and minutes in every locale: some (the C locale among them) give seconds too.
    QString time = locale.timeFormat(QLocale::ShortFormat);
    time.remove(QRegularExpression(u"[:.]s{1,2}"_s));
    return locale.toString(modified.date(), date) + u", "_s + locale.toString(modified.time(), time);
}

FileCardView::FileCardView(Appearance &appearance, const QString &file, std::function<void()> onChangeFile,
                           std::function<void()> onClearFile, QWidget *parent)
    : CardFrame(appearance, CardStyle::innerCard({14, 14, 14, 14}), parent)
{
    setObjectName(u"fileCard"_s);
    const QFileInfo info(file);
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(14);
    row->addWidget(new KindBadge(badgeLetter(file), kindLabel(file), this));

    auto *names = new QVBoxLayout;
    names->setSpacing(2);
    auto *name = new TextLabel(appearance, info.fileName(), 15, QFont::DemiBold, colors::primary, this);
    name->setObjectName(u"fileName"_s);
    // A long name gives way before anything else on the card, keeping its start and its extension.
    name->setElideMode(Qt::ElideMiddle);
    name->setToolTip(info.fileName());
    names->addWidget(name);
    auto *folder = new TextLabel(appearance, QDir::toNativeSeparators(info.absolutePath()), 12, QFont::Normal,
                                 colors::secondary, this);
    folder->setObjectName(u"fileFolder"_s);
    folder->setElideMode(Qt::ElideMiddle);
    folder->setToolTip(info.absolutePath());
    names->addWidget(folder);
    row->addLayout(names, 0);

    m_change = new BorderedButton(appearance, u"Change File…"_s, {}, this);
    m_change->setObjectName(u"changeFile"_s);
    connect(m_change, &QPushButton::clicked, this, [onChangeFile = std::move(onChangeFile)] {
        if (onChangeFile)
            onChangeFile();
    });
    row->addWidget(m_change);

    m_remove = new SymbolButton(appearance, u"xmark.circle.fill"_s, 16, colors::secondary, this);
    m_remove->setObjectName(u"removeFile"_s);
    m_remove->setToolTip(u"Remove file"_s);
    m_remove->setAccessibleName(u"Remove file"_s);
    connect(m_remove, &QAbstractButton::clicked, this, [onClearFile = std::move(onClearFile)] {
        if (onClearFile)
            onClearFile();
    });
    row->addWidget(m_remove);
    row->addStretch(1);

    auto *details = new QGridLayout;
    details->setHorizontalSpacing(16);
    details->setVerticalSpacing(3);
    const std::pair<QString, QString> rows[] = {
        {u"File type:"_s, kindLabel(file)},
        {u"File size:"_s, sizeLabel(file)},
        {u"Last modified:"_s, modificationLabel(file)},
    };
    int line = 0;
    for (const auto &[label, value] : rows) {
        details->addWidget(new TextLabel(appearance, label, 13, QFont::Normal, colors::secondary, this), line,
                           0);
        auto *valueLabel = new TextLabel(appearance, value, 13, QFont::Normal, colors::primary, this);
        valueLabel->setObjectName(u"detail"_s + QString::number(line));
        details->addWidget(valueLabel, line, 1);
        ++line;
    }
    row->addLayout(details);
}

} // namespace kernwick
