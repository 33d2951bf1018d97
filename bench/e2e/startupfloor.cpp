// What any program that answers from the installed fonts pays before it reads a deck: starting Qt Core and
// loading fontconfig's configuration and font list, then nothing else.
#include <QCoreApplication>

#include <fontconfig/fontconfig.h>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    FcConfig *config = FcInitLoadConfigAndFonts();
    const FcFontSet *fonts = config ? FcConfigGetFonts(config, FcSetSystem) : nullptr;
    return fonts && fonts->nfont > 0 ? 0 : 1;
}
