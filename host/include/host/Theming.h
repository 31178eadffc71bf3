#pragma once

#include "host/HostExport.h"

#include <QFont>
#include <QtGlobal>

class QMetaObject;
class QWidget;

namespace host {

// $FF0000nn is the system colour with index nn; any other value is red, green and blue
// in the low three bytes, red lowest.
using TColor = quint32;
constexpr TColor clWindow = 0xFF000005;
constexpr TColor clWindowText = 0xFF000008;
constexpr TColor clHighlight = 0xFF00000D;
constexpr TColor clHighlightText = 0xFF00000E;
constexpr TColor clBtnFace = 0xFF00000F;
// Style colour numbers asked of TCustomStyleServices::GetStyleColor.
using TStyleColor = int;
constexpr TStyleColor scPanel = 23;

HOST_EXPORT QColor ColorToQColor(TColor color); // resolves system colours with the application palette

// The IDE theme's font.
struct HOST_EXPORT TIDEThemeMetrics {
    struct HOST_EXPORT Font {
        static bool Enabled();
        static QFont GetFont();
        static int Size(); // points
        // Sets font to size points as seen at pixelsPerInch.
        static void AdjustDPISize(QFont& font, int size, int pixelsPerInch);
    };
};

// Colours of the IDE's current style.
class TCustomStyleServices {
public:
    virtual ~TCustomStyleServices() = default;
    virtual TColor GetSystemColor(TColor color) const = 0;
    virtual TColor GetStyleColor(TStyleColor color) const = 0;
};

// The IDE's theming services.
class IIDEThemingServices {
public:
    virtual ~IIDEThemingServices() = default;
    virtual void ApplyTheme(QWidget* form) = 0;
    virtual TCustomStyleServices* StyleServices() = 0;
};

// nullptr when the IDE runs without theming.
HOST_EXPORT IIDEThemingServices* ThemeProperties();

class HOST_EXPORT TIDEThemeManager {
public:
    void RegisterFormClass(const QMetaObject& formClass);
    bool IsRegistered(const QMetaObject& formClass) const;
};
HOST_EXPORT TIDEThemeManager* IDEThemeManager();

struct HOST_EXPORT TIDETitleBarService {
    // Gives form the IDE's title bar, above panel when one is given.
    static void AddTitleBar(QWidget* form, QWidget* panel = nullptr, bool flag = false);
};

} // namespace host
