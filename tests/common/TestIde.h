#pragma once

// A small IDE made of the host library's own objects, for testing packages in-process:
// a main window with a main menu, and a tool palette window "ToolForm" holding the tool bar
// "Toolbar1" (two controls of its own, with an image list) and the palette "Palette"; with a
// store of its own, and a record of what the host reports.

#include "tests/common/ReportedExceptions.h"
#include "tests/common/TemporaryStore.h"

#include "host/CategoryButtons.h"
#include "host/ToolBar.h"

#include <QMainWindow>
#include <QMenuBar>
#include <QStringList>

#include <memory>

struct TestIdeOptions {
    QString toolFormName = QStringLiteral("ToolForm");
    bool withPalette = true;
    bool withToolbar = true;
    int toolbarControls = 2;
};

class TestIde {
public:
    explicit TestIde(const QStringList& pages = {}, const TestIdeOptions& options = {});
    ~TestIde();
    TestIde(const TestIde&) = delete;
    TestIde& operator=(const TestIde&) = delete;

    void SetPages(const QStringList& pages);

    // The main menu as text: each top-level entry with its items, visibility marked.
    QStringList MainMenuState() const;
    // The tool bar as text: each control's text and visibility, in order.
    QStringList ToolbarState() const;
    // What the host reported so far, "kind: message" each.
    QStringList reported() const { return reports.lines(); }

    TemporaryStore store;
    ReportedExceptions reports;
    QMainWindow window;
    QMenuBar* menuBar = nullptr;
    std::unique_ptr<QWidget> toolForm;
    host::TToolBar* toolbar = nullptr;
    host::TVirtualImageList* images = nullptr;
    host::TCategoryButtons* palette = nullptr;
};
