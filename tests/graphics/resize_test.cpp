// The resize controller: the scale kept in the settings file, the drag that
// scales the editor, the notice in other editors and the sizes a state
// carries. On a windowless context, with the settings in a folder of the
// test's own.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <utility>

#include "framework/graphics/resize_controller.h"
#include "framework/graphics/settings_file.h"
#include "framework/graphics/stock_controls.h"
#include "tests/framework/test_effect.h"
#include "tests/graphics/test_graphics.h"

namespace kestrelon {
namespace {

// A settings folder of the test's own, for the documents folder (Windows)
// and the configuration folder (elsewhere) alike.
std::string SettingsRoot()
{
    static const std::string root = [] {
        const std::string folder = std::filesystem::absolute("resize_test_settings").generic_string();
        MakeFolder(folder);
        MakeFolder(folder + "/Lumen Pathway");
        MakeFolder(folder + "/Lumen Pathway/Kestrelon");
#if defined(_WIN32)
        _putenv_s("XDG_CONFIG_HOME", folder.c_str());
#else
        setenv("XDG_CONFIG_HOME", folder.c_str(), 1);
#endif
        return folder;
    }();
    return root;
}

std::string SettingsFile()
{
    return SettingsRoot() + "/Lumen Pathway/Kestrelon/Settings.ini";
}

std::string FileText(const std::string& path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

class SettingsGraphics : public TestGraphics {
public:
    using TestGraphics::TestGraphics;
    std::string DocumentsDirectory() override { return SettingsRoot(); }
};

// An effect with a background, one knob and the resize controller, set up as
// the effect's editor is.
struct ScalableEditor {
    TestEffect effect;
    SettingsGraphics* graphics = nullptr;
    IResizeController* controller = nullptr;

    ScalableEditor()
    {
        auto g = std::make_unique<SettingsGraphics>(&effect);
        graphics = g.get();
        g->Provide(4000, 340, 484, [](int, int) { return 0xFF303030u; });
        g->Provide(4001, 134, 134 * 101, [](int, int y) { return 0xFF000000u | (y / 134); });
        auto resize = std::make_unique<IResizeController>(&effect, *g);
        controller = resize.get();
        resize->SetLiveResize(true);
        resize->SetScaleByDrag(true);
        resize->SelectViewMode(0);
        resize->SetScaleLimits(1.0, 1.5);
        resize->SetViewLimits(0, 340, 484, 510, 726);
        g->SetResizeController(std::move(resize));
        g->AddControl(std::make_unique<IBitmapControl>(&effect, 0, 0, -1, g->LoadImage(4000, "bg.png", 1),
                                                       BlendMethod::BlendMethodOpaque));
        g->AddControl(std::make_unique<IKnobMultiControl>(&effect, 23, 119, 0, g->LoadImage(4001, "k.png", 101)));
        effect.AttachEditor(std::move(g));
    }

    // The grip's drag, as the context routes it.
    void DragTo(int x, int y)
    {
        const MouseModifiers left{true, false, false, false, false};
        const Rect& grip = controller->GetRect();
        const int fromX = grip.right - 2, fromY = grip.bottom - 2;
        graphics->RouteMouseDown(fromX, fromY, left);
        graphics->RouteMouseDrag(x, y, left);
        graphics->RouteMouseUp(x, y, left);
    }
};

TEST(Resize, TheScaleLivesInTheSettingsFileAndTheGripScalesTheEditor)
{
    std::remove(SettingsFile().c_str());
    ScalableEditor editor;
    EXPECT_NE(FileText(SettingsFile()).find("guiscale=1.000000000000000"), std::string::npos)
        << "a missing file is created at scale 1.0: " << SettingsFile();
    editor.controller->OnEditorOpen();
    EXPECT_EQ(editor.graphics->Width(), 340);
    EXPECT_EQ(editor.graphics->Height(), 484);
    EXPECT_EQ(editor.graphics->ControlAt(editor.graphics->ControlCount() - 1), editor.controller)
        << "the controller is the last control";

    // (600 + 800) / 824 asks for more than 1.5.
    editor.DragTo(600, 800);
    EXPECT_EQ(editor.controller->GuiScale(), 1.5);
    EXPECT_EQ(editor.graphics->Width(), 510);
    EXPECT_EQ(editor.graphics->Height(), 726);
    EXPECT_NE(FileText(SettingsFile()).find("guiscale=1.500000000000000"), std::string::npos);
    const Rect knob = editor.graphics->ControlAt(1)->GetRect();
    EXPECT_EQ(knob, (Rect{34, 178, 235, 379})) << "every control laid out at the new scale";
    EXPECT_EQ(editor.graphics->ControlAt(1)->GetRect().Height(), 201);

    editor.DragTo(340, 484);
    EXPECT_EQ(editor.controller->GuiScale(), 1.0);
    EXPECT_EQ(editor.graphics->Width(), 340);

    editor.DragTo(450, 640);
    EXPECT_GT(editor.controller->GuiScale(), 1.0);
    const MouseModifiers left{true, false, false, false, false};
    const Rect& grip = editor.controller->GetRect();
    editor.graphics->RouteDoubleClick(grip.right - 2, grip.bottom - 2, left);
    EXPECT_EQ(editor.controller->GuiScale(), 1.0) << "a double click returns to the design size";
    EXPECT_EQ(editor.graphics->Width(), 340);
}

TEST(Resize, AnotherEditorShowsTheReopenNoticeUntilReopened)
{
    std::remove(SettingsFile().c_str());
    ScalableEditor first;
    ScalableEditor second;
    first.controller->OnEditorOpen();
    second.controller->OnEditorOpen();
    first.DragTo(600, 800);
    EXPECT_FALSE(first.controller->NeedsRedraw()) << "the dragged editor shows no notice";
    second.controller->SetValue(second.controller->Value());
    EXPECT_TRUE(second.controller->NeedsRedraw()) << "the other editor asks to be reopened";
    Rect dirty;
    ASSERT_TRUE(second.graphics->CollectDirtyRect(dirty));
    EXPECT_EQ(dirty, (Rect{0, 0, 340, 484}));
    second.graphics->PaintRegion(dirty);
    EXPECT_EQ(second.graphics->Pixel(5, 5), 0xFF191919u) << "the notice covers the editor";
    second.controller->OnEditorOpen();
    EXPECT_FALSE(second.controller->NeedsReopen());
    EXPECT_EQ(second.graphics->Width(), 510) << "reopened at the new scale";
    first.DragTo(340, 484);
}

TEST(Resize, StateSizesOpenTheEditorAtThoseSizesTimesTheScaleWithinTheViewLimits)
{
    const struct {
        double width, height;
        int pixelWidth, pixelHeight;
    } rows[] = {
        {500.0, 700.0, 600, 840},
        // From a damaged or hostile project: an editor nobody could see or grip,
        // or one that would grow the host's windows by as much.
        {0.0, 0.0, 408, 580},
        {1000000.0, 1000000.0, 612, 871},
    };
    for (const auto& row : rows) {
        std::remove(SettingsFile().c_str());
        ASSERT_TRUE(WriteSetting(SettingsFile(), "gui", "guiscale", "1.200000000000000"));
        ScalableEditor editor;
        IParameter* values = editor.graphics->StateValues();
        ASSERT_NE(values, nullptr);
        values[1].Set(row.width);
        values[2].Set(row.height);
        editor.controller->OnEditorOpen();
        EXPECT_EQ(editor.graphics->Width(), row.pixelWidth) << row.width;
        EXPECT_EQ(editor.graphics->Height(), row.pixelHeight) << row.height;
    }
    std::remove(SettingsFile().c_str());
}

TEST(Resize, ADoubleClickOnTheGripFinishesLikeARelease)
{
    std::remove(SettingsFile().c_str());
    ScalableEditor fresh;
    fresh.controller->OnEditorOpen();
    fresh.graphics->PaintRegion(Rect{0, 0, 340, 484});
    ScalableEditor other;
    other.controller->OnEditorOpen();
    ScalableEditor editor;
    editor.controller->OnEditorOpen();

    editor.DragTo(600, 800);
    EXPECT_TRUE(other.controller->NeedsRedraw()) << "the other editor, at 1.0, shows the notice";
    const MouseModifiers left{true, false, false, false, false};
    // The press and release of the first click, then the double click; the
    // last release falls outside the smaller editor.
    editor.graphics->RouteMouseDown(505, 721, left);
    editor.graphics->RouteMouseUp(505, 721, left);
    editor.graphics->RouteDoubleClick(505, 721, left);
    editor.graphics->RouteMouseUp(505, 721, MouseModifiers{});
    EXPECT_EQ(editor.controller->GuiScale(), 1.0);
    EXPECT_EQ(IResizeController::LastAppliedScale(), 1.0);
    EXPECT_FALSE(editor.controller->NeedsRedraw()) << "the editor that was scaled never shows the notice";
    editor.graphics->PaintRegion(Rect{0, 0, 340, 484});
    for (int y = 0; y < 484; ++y)
        for (int x = 0; x < 340; ++x)
            ASSERT_EQ(editor.graphics->Pixel(x, y), fresh.graphics->Pixel(x, y))
                << "as a fresh editor at " << x << "," << y;
    editor.DragTo(340, 484);
    EXPECT_FALSE(editor.controller->NeedsRedraw()) << "and its grip still drags";

    // Back at its own size, the other editor loses the notice when reopened.
    EXPECT_TRUE(other.controller->NeedsReopen());
    other.controller->OnEditorOpen();
    EXPECT_FALSE(other.controller->NeedsReopen());
    EXPECT_FALSE(other.controller->NeedsRedraw());
    EXPECT_EQ(other.graphics->Width(), 340);
    std::remove(SettingsFile().c_str());
}

TEST(Resize, TheNoticeFitsTheEditorAtEveryScale)
{
    std::remove(SettingsFile().c_str());
    for (const auto& [dragX, dragY] : {std::pair{340, 484}, std::pair{600, 800}}) {
        ScalableEditor dragged;
        ScalableEditor other;
        dragged.controller->OnEditorOpen();
        other.controller->OnEditorOpen();
        other.DragTo(dragX, dragY);  // the scale the other editor is laid out at
        dragged.DragTo(dragX == 340 ? 450 : 340, dragY == 484 ? 640 : 484);
        ASSERT_TRUE(other.controller->NeedsRedraw());
        const int w = other.graphics->Width(), h = other.graphics->Height();
        other.graphics->PaintRegion(Rect{0, 0, w, h});
        int textLeft = w, textRight = -1;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                if (other.graphics->Pixel(x, y) == 0xFF191919u)
                    continue;
                textLeft = std::min(textLeft, x);
                textRight = std::max(textRight, x);
            }
        }
        SCOPED_TRACE(std::to_string(w) + " x " + std::to_string(h));
        EXPECT_GT(textLeft, w / 40) << "the lines keep their margin";
        EXPECT_LT(textRight, w - 2) << "both lines wholly inside the editor";
        EXPECT_GT(textRight, w / 2) << "and as large as fits";
        dragged.DragTo(340, 484);
    }
    std::remove(SettingsFile().c_str());
}

TEST(Resize, TheSettingsFolderMayHaveAnyName)
{
    // A user whose profile folder has letters beyond ASCII.
    const std::string folder = SettingsRoot() + "/J\xC3\xBCrgen \xC3\x98stby \xE6\x97\xA5\xE6\x9C\xAC";
    MakeFolder(folder);
    EXPECT_TRUE(std::filesystem::is_directory(std::filesystem::u8path(folder)));
    ASSERT_TRUE(WriteSetting(folder + "/Settings.ini", "gui", "guiscale", "1.250000000000000"));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::u8path(folder + "/Settings.ini")));
    EXPECT_EQ(ReadSetting(folder + "/Settings.ini", "gui", "guiscale", "-1.0"), "1.250000000000000");
    std::filesystem::remove_all(std::filesystem::u8path(folder));
}

TEST(Resize, DamagedSettingsReadAsTheDesignSizeOrTheNearestLimit)
{
    const struct {
        const char* stored;
        double scale;
    } rows[] = {{"abc", 1.0}, {"nan", 1.0}, {"inf", 1.0}, {"7", 1.5}, {"0.5", 1.0}, {"1.25", 1.25}, {"", 1.0}};
    for (const auto& row : rows) {
        std::remove(SettingsFile().c_str());
        ASSERT_TRUE(WriteSetting(SettingsFile(), "gui", "guiscale", row.stored));
        ScalableEditor editor;
        EXPECT_EQ(editor.controller->GuiScale(), row.scale) << "\"" << row.stored << "\"";
    }
    std::remove(SettingsFile().c_str());
}

TEST(Resize, TheHostSizesTheEditorKeepingItsShapeWithinTheScaleLimits)
{
    std::remove(SettingsFile().c_str());
    ScalableEditor editor;
    editor.controller->OnEditorOpen();
    IEditor& seam = *editor.graphics;
    struct Case {
        int w, h, wantW, wantH;
    } cases[] = {
        {425, 605, 425, 605},  // 1.25, the editor's own shape: taken as it is
        {425, 100, 425, 605},  // the larger ratio decides, so the editor covers the size
        {100, 100, 340, 484},  // below 1.0
        {5000, 9000, 510, 726},  // beyond 1.5
        {401, 560, 401, 570},  // another shape: the width decides
    };
    for (const Case& c : cases) {
        int w = c.w, h = c.h;
        ASSERT_TRUE(seam.NearestSize(w, h));
        EXPECT_EQ(w, c.wantW) << c.w << " x " << c.h;
        EXPECT_EQ(h, c.wantH) << c.w << " x " << c.h;
        // A size the editor gave is one it takes exactly.
        int again = w, againH = h;
        seam.NearestSize(again, againH);
        EXPECT_EQ(again, w);
        EXPECT_EQ(againH, h);
        ASSERT_TRUE(seam.ScaleToSize(w, h));
        EXPECT_EQ(editor.graphics->Width(), w);
        EXPECT_EQ(editor.graphics->Height(), h);
    }
    EXPECT_NE(FileText(SettingsFile()).find("guiscale=1.17"), std::string::npos) << "kept as the grip keeps it";

    // The host's scale starts an editor at 1.0; the user's own scale stays.
    ASSERT_TRUE(seam.ScaleToSize(340, 484));
    EXPECT_TRUE(seam.StartAtHostScale(1.25));
    EXPECT_EQ(editor.graphics->Width(), 425);
    EXPECT_TRUE(seam.StartAtHostScale(2.0));
    EXPECT_EQ(editor.graphics->Width(), 425);
    int w = 0, h = 0;
    ASSERT_TRUE(seam.Shape(w, h));
    EXPECT_EQ(w * 484, h * 340);
    ASSERT_TRUE(seam.ScaleToSize(340, 484));
}

}  // namespace
}  // namespace kestrelon
