#pragma once

#include <model/fontstatusitem.h>

#include <QJsonObject>
#include <QString>

namespace kernwick {

// The check of one presentation: its path and the verdict on every font it uses.
struct PresentationCheck
{
    QString path;
    FontStatusItems items;
};

// One line per font (name, status word, file or "—"), then the verdict with the counts.
QString formatCheckText(const PresentationCheck &check);
QJsonObject checkToJson(const PresentationCheck &check);

} // namespace kernwick
