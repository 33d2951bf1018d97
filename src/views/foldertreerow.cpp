#include "foldertreerow.h"

#include <views/symbolicon.h>
#include <views/textlabel.h>

#include <QHBoxLayout>

using namespace Qt::StringLiterals;

namespace kernwick {

FolderTreeRow::FolderTreeRow(Appearance &appearance, const QString &icon, ColorSpec iconColor,
                             const QString &name, int indent, QWidget *parent)
    : QWidget(parent)
    , m_icon(icon)
    , m_name(name)
    , m_indent(indent)
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(5);
    if (indent > 0) {
        row->addSpacing(indent * 14);
        row->addWidget(new SymbolIcon(appearance, u"arrow.turn.down.right"_s, 8, colors::secondary, this));
    }
    row->addWidget(new SymbolIcon(appearance, icon, 13, iconColor, this));
    auto *label = new TextLabel(appearance, name, 13, QFont::Normal, colors::primary, this);
    label->setElideMode(Qt::ElideMiddle);
    row->addWidget(label, 1);
}

FolderTreeRow *FolderTreeRow::folder(Appearance &appearance, const QString &name, int indent, QWidget *parent)
{
    auto *row = new FolderTreeRow(appearance, u"folder.fill"_s, colors::secondary, name, indent, parent);
    // Folders take the desktop's standard blue, in either scheme.
    for (auto *icon : row->findChildren<SymbolIcon *>()) {
        if (icon->symbolName() == u"folder.fill") {
            auto apply = [icon, &appearance] {
                icon->setColorOverride(colors::systemBlue(appearance.isDark()));
            };
            apply();
            connect(&appearance, &Appearance::colorSchemeChanged, icon, apply);
        }
    }
    return row;
}

} // namespace kernwick
