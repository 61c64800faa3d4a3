// The editor in a real LV2 host: jalv on JACK's dummy backend opens it in
// its own window; the window shows what the VST 2.4 editor shows, and a drag
// on a knob through XTEST reaches the plug-in's port as the host reports it.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "tools/vsthost/host_window.h"
#include "tools/vsthost/png_file.h"

extern char** environ;

namespace kestrelon {
namespace {

using namespace std::chrono_literals;

// A program running beside the test, ended (SIGTERM) and reaped when it goes.
class Background {
public:
    Background(const std::vector<std::string>& args, const std::string& output)
    {
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        posix_spawn_file_actions_adddup2(&actions, 1, 2);
        if (posix_spawnp(&pid, argv[0], &actions, nullptr, argv.data(), environ) != 0)
            pid = -1;
        posix_spawn_file_actions_destroy(&actions);
    }
    ~Background() { Stop(); }
    void Stop()
    {
        if (pid <= 0)
            return;
        kill(pid, SIGTERM);
        int status = 0;
        waitpid(pid, &status, 0);
        pid = -1;
    }
    bool Running() const { return pid > 0 && waitpid(pid, nullptr, WNOHANG) == 0; }

private:
    pid_t pid = -1;
};

std::string ReadFile(const std::string& path)
{
    std::ifstream in(path);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The top-level window with this name, or 0.
xcb_window_t FindWindow(xcb_connection_t* c, xcb_window_t parent, const std::string& name, int depth = 0)
{
    std::unique_ptr<xcb_query_tree_reply_t, decltype(&std::free)> tree(
        xcb_query_tree_reply(c, xcb_query_tree(c, parent), nullptr), &std::free);
    if (!tree || depth > 3)
        return 0;
    const xcb_window_t* children = xcb_query_tree_children(tree.get());
    for (int i = 0; i < xcb_query_tree_children_length(tree.get()); ++i) {
        std::unique_ptr<xcb_get_property_reply_t, decltype(&std::free)> title(
            xcb_get_property_reply(c, xcb_get_property(c, 0, children[i], XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 0, 64),
                                   nullptr),
            &std::free);
        if (title && std::string(static_cast<const char*>(xcb_get_property_value(title.get())),
                                 static_cast<std::size_t>(xcb_get_property_value_length(title.get()))) == name)
            return children[i];
        if (xcb_window_t found = FindWindow(c, children[i], name, depth + 1))
            return found;
    }
    return 0;
}

vsthost::Screenshot Capture(xcb_connection_t* c, xcb_window_t window)
{
    vsthost::Screenshot shot;
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&std::free)> g(
        xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr), &std::free);
    if (!g)
        return shot;
    std::unique_ptr<xcb_get_image_reply_t, decltype(&std::free)> image(
        xcb_get_image_reply(c, xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, window, 0, 0, g->width, g->height, ~0u),
                            nullptr),
        &std::free);
    const std::size_t count = static_cast<std::size_t>(g->width) * g->height;
    if (!image || static_cast<std::size_t>(xcb_get_image_data_length(image.get())) < count * 4)
        return shot;
    shot.width = g->width;
    shot.height = g->height;
    shot.pixels.resize(count);
    std::memcpy(shot.pixels.data(), xcb_get_image_data(image.get()), count * 4);
    for (std::uint32_t& p : shot.pixels)
        p &= 0xFFFFFFu;
    return shot;
}

long long DifferingPixels(const vsthost::Screenshot& a, const vsthost::Screenshot& b)
{
    long long n = 0;
    for (std::size_t i = 0; i < a.pixels.size() && i < b.pixels.size(); ++i)
        n += a.pixels[i] != b.pixels[i];
    return n;
}

// jalv with the plug-in and its editor on a JACK server of its own, in a
// work folder of its own (with its own settings file: the scale starts at 1.0).
struct JalvSession {
    explicit JalvSession(const std::string& name, const std::vector<std::string>& options = {})
        : work(::testing::TempDir() + "lv2-jalv-" + name + "-" + std::to_string(getpid()))
    {
        EXPECT_EQ(std::system(("mkdir -p '" + work + "'").c_str()), 0);
        const std::string server = "kestrelon-lv2-" + name + "-" + std::to_string(getpid());
        setenv("JACK_DEFAULT_SERVER", server.c_str(), 1);
        setenv("JACK_NO_AUDIO_RESERVATION", "1", 1);
        setenv("LV2_PATH", KESTRELON_LV2_DIR, 1);
        setenv("XDG_CONFIG_HOME", work.c_str(), 1);
        jack = std::make_unique<Background>(
            std::vector<std::string>{"jackd", "-n", server, "-r", "-d", "dummy", "-r", "44100", "-p", "256"},
            work + "/jackd.log");
        std::this_thread::sleep_for(500ms);
        std::vector<std::string> args{"jalv.gtk3", "--no-menu", "--print-controls", "--jack-name", "kestrelon-test"};
        args.insert(args.end(), options.begin(), options.end());
        args.push_back("urn:lumenpathway:kestrelon");
        jalv = std::make_unique<Background>(args, work + "/jalv.log");
        c = xcb_connect(nullptr, nullptr);
        root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
        for (int i = 0; i < 200 && !window && !xcb_connection_has_error(c); ++i) {
            std::this_thread::sleep_for(50ms);
            window = FindWindow(c, root, "Kestrelon");
        }
        std::this_thread::sleep_for(700ms);  // the first frames, through the host's idle calls
    }
    ~JalvSession()
    {
        xcb_disconnect(c);
        jalv.reset();
        jack.reset();
    }
    // Ends jalv and JACK; what jalv printed.
    std::string Stop()
    {
        jalv.reset();
        jack.reset();
        return ReadFile(work + "/jalv.log");
    }

    std::string work;
    std::unique_ptr<Background> jack, jalv;
    xcb_connection_t* c = nullptr;
    xcb_window_t root = 0;
    xcb_window_t window = 0;
};

// Whether the two pictures are the same outside the meters' bars, which a
// host that runs the plug-in shows at rest and the goldens before any audio.
bool SameOutsideMeters(const vsthost::Screenshot& a, const vsthost::Screenshot& b)
{
    if (a.width != b.width || a.height != b.height)
        return false;
    for (int y = 0; y < a.height; ++y)
        for (int x = 0; x < a.width; ++x) {
            const bool meters = y >= 80 && y < 88 && ((x >= 30 && x < 150) || (x >= 190 && x < 310));
            const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(a.width) + x;
            if (!meters && a.pixels[i] != b.pixels[i])
                return false;
        }
    return true;
}

TEST(JalvEditor, ShowsTheVstEditorsPixelsAndADragChangesThem)
{
    JalvSession session("open");
    ASSERT_NE(session.window, 0u) << "jalv showed no editor:\n" << session.Stop();
    xcb_connection_t* c = session.c;
    const xcb_window_t root = session.root;
    const xcb_window_t window = session.window;
    const std::string& work = session.work;

    std::string error;
    const vsthost::Screenshot shot = Capture(c, window);
    // The golden is the VST 2.4 editor before any audio; a host that runs
    // the plug-in has its meters at rest (no gain change) instead: those two
    // bars differ, and match the VST 2.4 editor with silence running through.
    vsthost::Screenshot golden;
    ASSERT_TRUE(vsthost::ReadPng(std::string(EDITOR_TEST_DATA) + "/kestrelon-1.0-linux.png", golden, error)) << error;
    ASSERT_EQ(shot.width, golden.width);
    ASSERT_EQ(shot.height, golden.height);
    EXPECT_TRUE(SameOutsideMeters(shot, golden));
    const std::string vstShot = work + "/vst-silence.png";
    const std::string edit = std::string("'") + VSTHOST_EXE + "' edit '" + VST_PLUGIN +
                             "' --signal silence --step 'wait 400' --step 'screenshot " + vstShot + "' >/dev/null";
    ASSERT_EQ(std::system(edit.c_str()), 0);
    vsthost::Screenshot running;
    ASSERT_TRUE(vsthost::ReadPng(vstShot, running, error)) << error;
    EXPECT_EQ(DifferingPixels(shot, running), 0) << "the host's window differs from the VST 2.4 editor's";
    EXPECT_GT(DifferingPixels(running, golden), 0) << "the meters at rest show";

    // Up on the Attack knob: a boost.
    std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> at(
        xcb_translate_coordinates_reply(c, xcb_translate_coordinates(c, window, root, 90, 186), nullptr), &std::free);
    ASSERT_TRUE(at);
    auto fake = [&](uint8_t type, uint8_t detail, int x, int y) {
        xcb_test_fake_input(c, type, detail, XCB_CURRENT_TIME, root, static_cast<int16_t>(x), static_cast<int16_t>(y),
                            0);
        xcb_flush(c);
        std::this_thread::sleep_for(40ms);
    };
    const std::size_t beforeDrag = ReadFile(work + "/jalv.log").size();
    fake(XCB_MOTION_NOTIFY, 0, at->dst_x, at->dst_y);
    fake(XCB_BUTTON_PRESS, 1, at->dst_x, at->dst_y);
    for (int dy = 4; dy <= 40; dy += 4)
        fake(XCB_MOTION_NOTIFY, 0, at->dst_x, at->dst_y - dy);
    fake(XCB_BUTTON_RELEASE, 1, at->dst_x, at->dst_y - 40);
    std::this_thread::sleep_for(500ms);
    const vsthost::Screenshot dragged = Capture(c, window);
    EXPECT_GT(DifferingPixels(dragged, shot), 0) << "the drag moved nothing";
    // The host reports the plug-in's meter outputs. Silence runs through it,
    // but for the per-block noise offset: with Attack at 0 the attack meter
    // stays at rest; once the drag's value reaches the plug-in through the
    // host's port, the boost moves it.
    const std::string log = session.Stop();
    auto movedMeter = [&](std::size_t from, std::size_t to) {
        for (std::size_t at = log.find("attack_meter = ", from); at < to; at = log.find("attack_meter = ", at + 1)) {
            // A whole line only: jalv's other output may cut into one.
            char* end = nullptr;
            const double v = std::strtod(log.c_str() + at + 15, &end);
            if (end && *end == '\n' && v != 0.5)
                return true;
        }
        return false;
    };
    EXPECT_NE(log.find("attack_meter = 0.500000"), std::string::npos) << log;
    EXPECT_FALSE(movedMeter(0, beforeDrag)) << log.substr(0, beforeDrag);
    EXPECT_TRUE(movedMeter(beforeDrag, log.size())) << log.substr(beforeDrag);
}

// A project that kept the editor's view at its largest (510 x 726 design
// pixels; the grip scales instead, through the settings file): the restored
// state opens the host's window at that size, the editor in its corner.
TEST(JalvEditor, ARestoredStateOpensTheEditorAtItsSize)
{
    const std::string dir = ::testing::TempDir() + "lv2-state-" + std::to_string(getpid());
    ASSERT_EQ(std::system(("mkdir -p '" + dir + "'").c_str()), 0);
    std::ofstream(dir + "/manifest.ttl") << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                            "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                                            "@prefix rdfs: <http://www.w3.org/2000/01/rdf-schema#> .\n"
                                            "<state.ttl> a pset:Preset ; lv2:appliesTo "
                                            "<urn:lumenpathway:kestrelon> ; rdfs:seeAlso <state.ttl> .\n";
    std::ofstream(dir + "/state.ttl") << "@prefix lv2: <http://lv2plug.in/ns/lv2core#> .\n"
                                         "@prefix pset: <http://lv2plug.in/ns/ext/presets#> .\n"
                                         "@prefix state: <http://lv2plug.in/ns/ext/state#> .\n"
                                         "@prefix xsd: <http://www.w3.org/2001/XMLSchema#> .\n"
                                         "<> a pset:Preset ; lv2:appliesTo <urn:lumenpathway:kestrelon> ;\n"
                                         "  state:state [\n"
                                         "    <urn:lumenpathway:editor#viewMode> \"0.0\"^^xsd:double ;\n"
                                         "    <urn:lumenpathway:editor#width> \"510.0\"^^xsd:double ;\n"
                                         "    <urn:lumenpathway:editor#height> \"726.0\"^^xsd:double\n"
                                         "  ] .\n";
    JalvSession session("state", {"--load", dir});
    ASSERT_NE(session.window, 0u) << "jalv showed no editor:\n" << session.Stop();
    const vsthost::Screenshot shot = Capture(session.c, session.window);
    vsthost::Screenshot golden;
    std::string error;
    ASSERT_TRUE(vsthost::ReadPng(std::string(EDITOR_TEST_DATA) + "/kestrelon-1.0-linux.png", golden, error)) << error;
    ASSERT_EQ(shot.width, 510);
    ASSERT_EQ(shot.height, 726);
    // The design-size part, but for the grip, which sits in the window's
    // corner now: there it is drawn over black.
    vsthost::Screenshot corner = golden;
    long long grip = 0;
    for (int y = 0; y < shot.height; ++y)
        for (int x = 0; x < shot.width; ++x) {
            const std::uint32_t pixel = shot.pixels[static_cast<std::size_t>(y * shot.width + x)];
            if (x < golden.width && y < golden.height && (x < 324 || y < 468))
                corner.pixels[static_cast<std::size_t>(y * golden.width + x)] = pixel;
            grip += x >= shot.width - 16 && y >= shot.height - 16 && pixel != 0;
        }
    EXPECT_TRUE(SameOutsideMeters(corner, golden));
    EXPECT_GT(grip, 0) << "no grip in the window's corner";
}

}  // namespace
}  // namespace kestrelon
