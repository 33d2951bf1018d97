#include "fontreport.h"

#include <QFileInfo>

using namespace Qt::StringLiterals;

namespace kernwick {

QString makeFontReport(const std::optional<QString> &sourcePath, const FontStatusItems &items,
                       const QStringList &exported, const QStringList &failed)
{
    QStringList lines = {u"Presentation Font Handoff Report"_s, u"================================"_s,
                         QString()};
    if (sourcePath) {
        lines.append(u"Source File: "_s + QFileInfo(*sourcePath).fileName());
        lines.append(QString());
    }
    lines.append(u"All Fonts Used ("_s + QString::number(items.size()) + u"):"_s);
    for (const FontStatusItem &item : items) {
        lines.append(u"- "_s + item.fontName + u" ["_s + rawValue(item.status) + u"]"_s);
        if (!item.missingCharacters.isEmpty())
            lines.append(u"  "_s + missingCharactersText(item.fontName, item.missingCharacters));
    }
    lines.append(QString());

    lines.append(u"Exported Fonts ("_s + QString::number(exported.size()) + u"):"_s);
    for (const QString &name : exported)
        lines.append(u"- "_s + name);
    lines.append(QString());

    lines.append(u"Export Failed ("_s + QString::number(failed.size()) + u"):"_s);
    for (const QString &name : failed)
        lines.append(u"- "_s + name);
    lines.append(QString());

    lines.append(u"Notes:"_s);
    lines.append(u"- System fonts usually do not need to be provided to another Mac."_s);
    lines.append(
        u"- Adobe Creative Cloud fonts cannot be redistributed. The receiving Mac needs its own Adobe CC "
        u"subscription with those fonts activated."_s);
    lines.append(u"- Some fonts may fail due to macOS restrictions or licensing."_s);
    return lines.join(u'\n');
}

} // namespace kernwick
