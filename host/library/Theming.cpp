#include "host/Theming.h"
#include "host/Exceptions.h"
#include "host/library/Tr.h"
#include "host/private/IdeHost.h"

#include <QApplication>
#include <QColor>
#include <QMetaObject>
#include <QPainter>
#include <QPalette>
#include <QProxyStyle>
#include <QSet>
#include <QStyle>
#include <QStyleFactory>
#include <QStyleOptionMenuItem>
#include <QWidget>

#include <memory>

namespace host {

namespace {

ide::Theme& CurrentThemeSlot()
{
    static ide::Theme theme = ide::Theme::None;
    return theme;
}

// The IDE's style: its base style's look, with menus that scroll when longer than the
// screen, as the IDE's own do, instead of spreading into columns past the screen's edge.
// Menus get a frame and separators in the edge colour: the base style draws them a shade
// darker than the menu, which vanishes against a dark window behind it.
class IdeStyle final : public QProxyStyle {
public:
    explicit IdeStyle(const QString& base) : QProxyStyle(QStyleFactory::create(base)) {}

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override
    {
        if (hint == SH_Menu_Scrollable)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }

    void drawPrimitive(PrimitiveElement element, const QStyleOption* option, QPainter* painter,
                       const QWidget* widget) const override
    {
        // Some base styles draw a menu's border with its panel, others as its frame.
        if (element == PE_PanelMenu)
            QProxyStyle::drawPrimitive(element, option, painter, widget);
        else if (element != PE_FrameMenu) {
            QProxyStyle::drawPrimitive(element, option, painter, widget);
            return;
        }
        painter->save();
        painter->setPen(ide::edgeColor(option->palette));
        painter->drawRect(option->rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }

    void drawControl(ControlElement element, const QStyleOption* option, QPainter* painter,
                     const QWidget* widget) const override
    {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (element != CE_MenuItem || !item || item->menuItemType != QStyleOptionMenuItem::Separator) {
            QProxyStyle::drawControl(element, option, painter, widget);
            return;
        }
        // The menu's panel is painted already; a separator is only its line.
        const int margin = pixelMetric(PM_MenuHMargin, option, widget) + 4;
        const int y = item->rect.center().y();
        painter->save();
        painter->setPen(ide::edgeColor(option->palette));
        painter->drawLine(item->rect.left() + margin, y, item->rect.right() - margin, y);
        painter->restore();
    }
};

// Gives the application the IDE's style over base, unless it has it already.
void UseIdeStyle(const QString& base)
{
    const auto* current = dynamic_cast<const IdeStyle*>(QApplication::style());
    if (!current || current->baseStyle()->name().compare(base, Qt::CaseInsensitive) != 0)
        QApplication::setStyle(new IdeStyle(base));
}

QString BaseStyleName()
{
    const QStyle* style = QApplication::style();
    if (const auto* ide = dynamic_cast<const IdeStyle*>(style))
        style = ide->baseStyle();
    return style->name();
}

QPalette LightPalette()
{
    const std::unique_ptr<QStyle> fusion(QStyleFactory::create(QStringLiteral("Fusion")));
    return fusion ? fusion->standardPalette() : QPalette();
}

QPalette DarkPalette()
{
    const QColor window(0x35, 0x35, 0x35);
    const QColor base(0x25, 0x25, 0x26);
    const QColor text(0xE8, 0xE8, 0xE8);
    const QColor disabledText(0x80, 0x80, 0x80);
    const QColor highlight(0x2A, 0x82, 0xDA);

    QPalette palette;
    palette.setColor(QPalette::Window, window);
    palette.setColor(QPalette::WindowText, text);
    palette.setColor(QPalette::Base, base);
    palette.setColor(QPalette::AlternateBase, window);
    palette.setColor(QPalette::ToolTipBase, base);
    palette.setColor(QPalette::ToolTipText, text);
    palette.setColor(QPalette::PlaceholderText, disabledText);
    palette.setColor(QPalette::Text, text);
    palette.setColor(QPalette::Button, window);
    palette.setColor(QPalette::ButtonText, text);
    palette.setColor(QPalette::BrightText, Qt::red);
    palette.setColor(QPalette::Light, window.lighter(150));
    palette.setColor(QPalette::Midlight, window.lighter(125));
    palette.setColor(QPalette::Mid, window.darker(125));
    palette.setColor(QPalette::Dark, window.darker(150));
    palette.setColor(QPalette::Shadow, Qt::black);
    palette.setColor(QPalette::Link, highlight);
    palette.setColor(QPalette::LinkVisited, highlight.darker(125));
    palette.setColor(QPalette::Highlight, highlight);
    palette.setColor(QPalette::HighlightedText, Qt::white);
    for (QPalette::ColorRole role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        palette.setColor(QPalette::Disabled, role, disabledText);
    return palette;
}

QPalette ThemePalette(ide::Theme theme)
{
    static const QPalette light = LightPalette();
    static const QPalette dark = DarkPalette();
    return theme == ide::Theme::Dark ? dark : light;
}

bool IsSystemColor(TColor color)
{
    return (color & 0xFFFFFF00u) == 0xFF000000u;
}

struct SystemColorRole {
    QPalette::ColorGroup group;
    QPalette::ColorRole role;
};

// The palette entry that plays the part of a system colour, by its index.
bool SystemColorRoleOf(TColor color, SystemColorRole* result)
{
    switch (color & 0xFFu) {
    case 0x00: *result = {QPalette::Active, QPalette::Button}; return true;          // scroll bar
    case 0x04: *result = {QPalette::Active, QPalette::Window}; return true;          // menu
    case 0x05: *result = {QPalette::Active, QPalette::Base}; return true;            // window
    case 0x06: *result = {QPalette::Active, QPalette::Shadow}; return true;          // window frame
    case 0x07: *result = {QPalette::Active, QPalette::WindowText}; return true;      // menu text
    case 0x08: *result = {QPalette::Active, QPalette::Text}; return true;            // window text
    case 0x0D: *result = {QPalette::Active, QPalette::Highlight}; return true;       // highlight
    case 0x0E: *result = {QPalette::Active, QPalette::HighlightedText}; return true; // highlight text
    case 0x0F: *result = {QPalette::Active, QPalette::Button}; return true;          // button face
    case 0x10: *result = {QPalette::Active, QPalette::Dark}; return true;            // button shadow
    case 0x11: *result = {QPalette::Disabled, QPalette::Text}; return true;          // grey text
    case 0x12: *result = {QPalette::Active, QPalette::ButtonText}; return true;      // button text
    case 0x14: *result = {QPalette::Active, QPalette::Light}; return true;           // button highlight
    case 0x15: *result = {QPalette::Active, QPalette::Shadow}; return true;          // 3-D dark shadow
    case 0x16: *result = {QPalette::Active, QPalette::Midlight}; return true;        // 3-D light
    case 0x17: *result = {QPalette::Active, QPalette::ToolTipText}; return true;     // info text
    case 0x18: *result = {QPalette::Active, QPalette::ToolTipBase}; return true;     // info background
    case 0x1A: *result = {QPalette::Active, QPalette::Link}; return true;            // hot light
    default: return false;
    }
}

TColor ToTColor(const QColor& color)
{
    return static_cast<TColor>(color.red()) | (static_cast<TColor>(color.green()) << 8)
        | (static_cast<TColor>(color.blue()) << 16);
}

class StyleServices final : public TCustomStyleServices {
public:
    TColor GetSystemColor(TColor color) const override
    {
        SystemColorRole role{};
        if (!IsSystemColor(color) || !SystemColorRoleOf(color, &role))
            return color;
        return ToTColor(ThemePalette(CurrentThemeSlot()).color(role.group, role.role));
    }

    TColor GetStyleColor(TStyleColor color) const override
    {
        const QPalette palette = ThemePalette(CurrentThemeSlot());
        switch (color) {
        case scPanel:
        default: // the style's other surfaces are drawn in its panel colour
            return ToTColor(palette.color(QPalette::Window));
        }
    }
};

class ThemingServices final : public IIDEThemingServices {
public:
    void ApplyTheme(QWidget* form) override
    {
        if (form)
            form->setPalette(ThemePalette(CurrentThemeSlot()));
    }
    TCustomStyleServices* StyleServices() override { return &m_style; }

private:
    class StyleServices m_style;
};

} // namespace

QColor ColorToQColor(TColor color)
{
    if (!IsSystemColor(color))
        return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                      static_cast<int>((color >> 16) & 0xFF));
    SystemColorRole role{};
    if (!SystemColorRoleOf(color, &role))
        return QColor(); // a system colour the host does not know
    return QGuiApplication::palette().color(role.group, role.role);
}

bool TIDEThemeMetrics::Font::Enabled()
{
    return CurrentThemeSlot() != ide::Theme::None;
}

QFont TIDEThemeMetrics::Font::GetFont()
{
    return QGuiApplication::font();
}

int TIDEThemeMetrics::Font::Size()
{
    const int points = GetFont().pointSize();
    return points > 0 ? points : 9; // a font set in pixels: the IDE's usual size
}

void TIDEThemeMetrics::Font::AdjustDPISize(QFont& font, int size, int pixelsPerInch)
{
    if (size <= 0 || pixelsPerInch <= 0) {
        throw Exception(Tr::tr("Cannot scale a font to %1 points at %2 pixels per inch").arg(size).arg(pixelsPerInch));
    }
    // size * ppi / 72 in whole pixels, halves rounded up, as the host's integer scaling does.
    const qint64 scaled = static_cast<qint64>(size) * pixelsPerInch;
    font.setPixelSize(static_cast<int>((2 * scaled + 72) / 144));
}

IIDEThemingServices* ThemeProperties()
{
    static ThemingServices services;
    return CurrentThemeSlot() == ide::Theme::None ? nullptr : &services;
}

namespace {

// Form classes registered for theming, by class name (one manager per IDE).
QSet<QByteArray>& RegisteredFormClasses()
{
    static QSet<QByteArray> classes;
    return classes;
}

} // namespace

void TIDEThemeManager::RegisterFormClass(const QMetaObject& formClass)
{
    RegisteredFormClasses().insert(QByteArray(formClass.className()));
}

bool TIDEThemeManager::IsRegistered(const QMetaObject& formClass) const
{
    return RegisteredFormClasses().contains(QByteArray(formClass.className()));
}

TIDEThemeManager* IDEThemeManager()
{
    static TIDEThemeManager manager;
    return &manager;
}

void TIDETitleBarService::AddTitleBar(QWidget* form, QWidget* panel, bool flag)
{
    Q_UNUSED(panel);
    Q_UNUSED(flag);
    if (!form)
        return;
    // The stand-in draws no title bar of its own: the window manager's frame serves, and
    // the mark tells the IDE (and tests) that the form asked for the IDE's.
    form->setProperty("ideTitleBar", true);
}

namespace ide {

void setTheme(Theme theme)
{
    CurrentThemeSlot() = theme;
    if (!qobject_cast<QApplication*>(QCoreApplication::instance()))
        return;
    // Light and dark draw with Fusion; none keeps the look the IDE has.
    UseIdeStyle(theme == Theme::None ? BaseStyleName() : QStringLiteral("fusion"));
    QApplication::setPalette(theme == Theme::None ? QPalette() : ThemePalette(theme));
}

Theme currentTheme()
{
    return CurrentThemeSlot();
}

QColor edgeColor(const QPalette& palette)
{
    // Two fifths of the way from the window colour to its text: clear on either, never loud.
    const QColor window = palette.color(QPalette::Window);
    const QColor text = palette.color(QPalette::WindowText);
    const auto mix = [](int from, int to) { return from + (to - from) * 2 / 5; };
    return QColor(mix(window.red(), text.red()), mix(window.green(), text.green()), mix(window.blue(), text.blue()));
}

} // namespace ide
} // namespace host
