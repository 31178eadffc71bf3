#include "pages/VlPaletteMenuCommon.h"

Q_LOGGING_CATEGORY(lcPaletteMenu, "vorla.palettemenu", QtWarningMsg)

QString RemoveAmpersand(const QString& s)
{
    if (!s.contains(QLatin1Char('&')))
        return s;
    QString result = s;
    result.remove(QLatin1Char('&'));
    return result;
}
