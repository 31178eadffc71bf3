#pragma once

#include "host/private/StandinOnly.h"

#include "host/ide/PaletteFile.h"

#include <QWidget>

class QLineEdit;

namespace host {
class TCategoryButtons;
class TImageCollection;
class TToolBar;
class TVirtualImageList;
} // namespace host

namespace standin {

// The tool palette window, the form "ToolForm": the tool bar "Toolbar1" and the
// category list "Palette", one category per palette page. Packages find both by name
// among the form's own components, so both are its direct children.
class ToolPaletteWindow : public QWidget {
    Q_OBJECT
public:
    explicit ToolPaletteWindow(const Palette& pages, QWidget* parent = nullptr);
    ~ToolPaletteWindow() override;

    host::TToolBar* toolBar() const { return m_toolBar; }
    host::TCategoryButtons* paletteButtons() const { return m_palette; }

    // Replaces the palette's pages.
    void setPages(const Palette& pages);

private:
    void toggleAllCategories();

    host::TImageCollection* m_imageCollection;
    host::TVirtualImageList* m_images;
    host::TToolBar* m_toolBar;
    QLineEdit* m_search;
    host::TCategoryButtons* m_palette;
};

} // namespace standin
