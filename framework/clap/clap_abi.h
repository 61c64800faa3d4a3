// The CLAP 1.x binary interface between a host and a plug-in library: the
// records both sides exchange, the function-pointer tables and the extension
// ids and flag numbers we use. Declared here from the published layouts so the
// plug-in adapter, vsthost and the test plug-ins agree on one definition.
// Plain C-layout records; every function pointer uses the platform's default
// C calling convention (the only one on x64 Windows and on Linux x86-64).
#pragma once

#include <cstddef>
#include <cstdint>

namespace kestrelon {

namespace clap {

using clap_id = std::uint32_t;
constexpr clap_id CLAP_INVALID_ID = UINT32_MAX;

constexpr std::size_t CLAP_NAME_SIZE = 256;
constexpr std::size_t CLAP_PATH_SIZE = 1024;

// ---- Versions ----
struct clap_version {
    std::uint32_t major;
    std::uint32_t minor;
    std::uint32_t revision;
};
// The interface version we were written against.
constexpr clap_version CLAP_VERSION = {1, 2, 2};
// Every 1.x is binary compatible with every other; 0.x was a draft.
constexpr bool clap_version_is_compatible(const clap_version& v)
{
    return v.major >= 1;
}

struct clap_host;
struct clap_plugin;

// ---- Events ----
constexpr std::uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;

constexpr std::uint32_t CLAP_EVENT_IS_LIVE = 1u << 0;
constexpr std::uint32_t CLAP_EVENT_DONT_RECORD = 1u << 1;

constexpr std::uint16_t CLAP_EVENT_NOTE_ON = 0;
constexpr std::uint16_t CLAP_EVENT_NOTE_OFF = 1;
constexpr std::uint16_t CLAP_EVENT_NOTE_CHOKE = 2;
constexpr std::uint16_t CLAP_EVENT_NOTE_END = 3;
constexpr std::uint16_t CLAP_EVENT_NOTE_EXPRESSION = 4;
constexpr std::uint16_t CLAP_EVENT_PARAM_VALUE = 5;
constexpr std::uint16_t CLAP_EVENT_PARAM_MOD = 6;
constexpr std::uint16_t CLAP_EVENT_PARAM_GESTURE_BEGIN = 7;
constexpr std::uint16_t CLAP_EVENT_PARAM_GESTURE_END = 8;
constexpr std::uint16_t CLAP_EVENT_TRANSPORT = 9;
constexpr std::uint16_t CLAP_EVENT_MIDI = 10;
constexpr std::uint16_t CLAP_EVENT_MIDI_SYSEX = 11;
constexpr std::uint16_t CLAP_EVENT_MIDI2 = 12;

// Every event starts with this header; `size` covers the whole event.
struct clap_event_header {
    std::uint32_t size;
    std::uint32_t time;  // sample offset within the block
    std::uint16_t space_id;
    std::uint16_t type;
    std::uint32_t flags;
};

struct clap_event_param_value {
    clap_event_header header;
    clap_id param_id;
    void* cookie;
    // -1 for "any": a value for the whole parameter, not one note's.
    std::int32_t note_id;
    std::int16_t port_index;
    std::int16_t channel;
    std::int16_t key;
    double value;
};

struct clap_event_param_gesture {
    clap_event_header header;
    clap_id param_id;
};

// Transport details are not read by anything here; the record is passed by
// pointer only (null: no transport).
struct clap_event_transport;

struct clap_input_events {
    void* ctx;
    std::uint32_t (*size)(const clap_input_events* list);
    // Null past the end; events are sorted by time.
    const clap_event_header* (*get)(const clap_input_events* list, std::uint32_t index);
};

struct clap_output_events {
    void* ctx;
    // False when the host could not take the event.
    bool (*try_push)(const clap_output_events* list, const clap_event_header* event);
};

// ---- Audio and processing ----
struct clap_audio_buffer {
    // One of the two is set, as the port's sample size was agreed.
    float** data32;
    double** data64;
    std::uint32_t channel_count;
    std::uint32_t latency;
    std::uint64_t constant_mask;  // bit n: channel n holds one value throughout
};

using clap_process_status = std::int32_t;
constexpr clap_process_status CLAP_PROCESS_ERROR = 0;
constexpr clap_process_status CLAP_PROCESS_CONTINUE = 1;
constexpr clap_process_status CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2;
constexpr clap_process_status CLAP_PROCESS_TAIL = 3;
constexpr clap_process_status CLAP_PROCESS_SLEEP = 4;

struct clap_process {
    std::int64_t steady_time;  // sample counter, -1 when unknown
    std::uint32_t frames_count;
    const clap_event_transport* transport;
    const clap_audio_buffer* audio_inputs;
    clap_audio_buffer* audio_outputs;
    std::uint32_t audio_inputs_count;
    std::uint32_t audio_outputs_count;
    const clap_input_events* in_events;
    const clap_output_events* out_events;
};

// ---- Host ----
struct clap_host {
    struct clap_version clap_version;
    void* host_data;
    const char* name;
    const char* vendor;
    const char* url;
    const char* version;
    // [thread-safe]
    const void* (*get_extension)(const clap_host* host, const char* extension_id);
    // [thread-safe]
    void (*request_restart)(const clap_host* host);
    // [thread-safe]
    void (*request_process)(const clap_host* host);
    // [thread-safe] the host then calls on_main_thread on the main thread.
    void (*request_callback)(const clap_host* host);
};

// ---- Plug-in ----
struct clap_plugin_descriptor {
    struct clap_version clap_version;
    const char* id;
    const char* name;
    const char* vendor;
    const char* url;
    const char* manual_url;
    const char* support_url;
    const char* version;
    const char* description;
    const char* const* features;  // null-terminated list
};

struct clap_plugin {
    const clap_plugin_descriptor* desc;
    void* plugin_data;
    // [main thread]
    bool (*init)(const clap_plugin* plugin);
    // [main thread] after deactivate
    void (*destroy)(const clap_plugin* plugin);
    // [main thread] & !active
    bool (*activate)(const clap_plugin* plugin, double sample_rate, std::uint32_t min_frames_count,
                     std::uint32_t max_frames_count);
    // [main thread] & active
    void (*deactivate)(const clap_plugin* plugin);
    // [audio thread] & active & !processing
    bool (*start_processing)(const clap_plugin* plugin);
    // [audio thread] & active & processing
    void (*stop_processing)(const clap_plugin* plugin);
    // [audio thread] & active
    void (*reset)(const clap_plugin* plugin);
    // [audio thread] & active & processing
    clap_process_status (*process)(const clap_plugin* plugin, const clap_process* process);
    // [thread-safe]
    const void* (*get_extension)(const clap_plugin* plugin, const char* id);
    // [main thread]
    void (*on_main_thread)(const clap_plugin* plugin);
};

constexpr const char* CLAP_PLUGIN_FACTORY_ID = "clap.plugin-factory";

struct clap_plugin_factory {
    // [thread-safe]
    std::uint32_t (*get_plugin_count)(const clap_plugin_factory* factory);
    // [thread-safe] null when the index is out of range.
    const clap_plugin_descriptor* (*get_plugin_descriptor)(const clap_plugin_factory* factory, std::uint32_t index);
    // [thread-safe] null when the id is unknown or the host too old.
    const clap_plugin* (*create_plugin)(const clap_plugin_factory* factory, const clap_host* host,
                                        const char* plugin_id);
};

// The exported `clap_entry`.
struct clap_plugin_entry {
    struct clap_version clap_version;
    // [thread-safe] once per library before anything else; the library's own path.
    bool (*init)(const char* plugin_path);
    // [thread-safe] once, last.
    void (*deinit)();
    // [thread-safe]
    const void* (*get_factory)(const char* factory_id);
};

constexpr const char* CLAP_PLUGIN_FEATURE_AUDIO_EFFECT = "audio-effect";
constexpr const char* CLAP_PLUGIN_FEATURE_STEREO = "stereo";
constexpr const char* CLAP_PLUGIN_FEATURE_MONO = "mono";

// ---- Extension: audio ports ----
constexpr const char* CLAP_EXT_AUDIO_PORTS = "clap.audio-ports";
constexpr const char* CLAP_PORT_MONO = "mono";
constexpr const char* CLAP_PORT_STEREO = "stereo";

constexpr std::uint32_t CLAP_AUDIO_PORT_IS_MAIN = 1u << 0;
constexpr std::uint32_t CLAP_AUDIO_PORT_SUPPORTS_64BITS = 1u << 1;
constexpr std::uint32_t CLAP_AUDIO_PORT_PREFERS_64BITS = 1u << 2;
constexpr std::uint32_t CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 1u << 3;

struct clap_audio_port_info {
    clap_id id;
    char name[CLAP_NAME_SIZE];
    std::uint32_t flags;
    std::uint32_t channel_count;
    const char* port_type;  // CLAP_PORT_* or null
    clap_id in_place_pair;
};

struct clap_plugin_audio_ports {
    // [main thread]
    std::uint32_t (*count)(const clap_plugin* plugin, bool is_input);
    // [main thread]
    bool (*get)(const clap_plugin* plugin, std::uint32_t index, bool is_input, clap_audio_port_info* info);
};

constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_NAMES = 1u << 0;
constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_FLAGS = 1u << 1;
constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_CHANNEL_COUNT = 1u << 2;
constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_PORT_TYPE = 1u << 3;
constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_IN_PLACE_PAIR = 1u << 4;
constexpr std::uint32_t CLAP_AUDIO_PORTS_RESCAN_LIST = 1u << 5;

struct clap_host_audio_ports {
    // [main thread]
    bool (*is_rescan_flag_supported)(const clap_host* host, std::uint32_t flag);
    // [main thread]
    void (*rescan)(const clap_host* host, std::uint32_t flags);
};

// ---- Extension: parameters ----
constexpr const char* CLAP_EXT_PARAMS = "clap.params";

constexpr std::uint32_t CLAP_PARAM_IS_STEPPED = 1u << 0;
constexpr std::uint32_t CLAP_PARAM_IS_PERIODIC = 1u << 1;
constexpr std::uint32_t CLAP_PARAM_IS_HIDDEN = 1u << 2;
constexpr std::uint32_t CLAP_PARAM_IS_READONLY = 1u << 3;
constexpr std::uint32_t CLAP_PARAM_IS_BYPASS = 1u << 4;
constexpr std::uint32_t CLAP_PARAM_IS_AUTOMATABLE = 1u << 5;
constexpr std::uint32_t CLAP_PARAM_IS_AUTOMATABLE_PER_NOTE_ID = 1u << 6;
constexpr std::uint32_t CLAP_PARAM_IS_AUTOMATABLE_PER_KEY = 1u << 7;
constexpr std::uint32_t CLAP_PARAM_IS_AUTOMATABLE_PER_CHANNEL = 1u << 8;
constexpr std::uint32_t CLAP_PARAM_IS_AUTOMATABLE_PER_PORT = 1u << 9;
constexpr std::uint32_t CLAP_PARAM_IS_MODULATABLE = 1u << 10;
constexpr std::uint32_t CLAP_PARAM_IS_MODULATABLE_PER_NOTE_ID = 1u << 11;
constexpr std::uint32_t CLAP_PARAM_IS_MODULATABLE_PER_KEY = 1u << 12;
constexpr std::uint32_t CLAP_PARAM_IS_MODULATABLE_PER_CHANNEL = 1u << 13;
constexpr std::uint32_t CLAP_PARAM_IS_MODULATABLE_PER_PORT = 1u << 14;
constexpr std::uint32_t CLAP_PARAM_REQUIRES_PROCESS = 1u << 15;
constexpr std::uint32_t CLAP_PARAM_IS_ENUM = 1u << 16;

struct clap_param_info {
    clap_id id;
    std::uint32_t flags;  // CLAP_PARAM_*
    void* cookie;
    char name[CLAP_NAME_SIZE];
    char module[CLAP_PATH_SIZE];
    double min_value;
    double max_value;
    double default_value;
};

struct clap_plugin_params {
    // [main thread]
    std::uint32_t (*count)(const clap_plugin* plugin);
    // [main thread]
    bool (*get_info)(const clap_plugin* plugin, std::uint32_t param_index, clap_param_info* param_info);
    // [main thread]
    bool (*get_value)(const clap_plugin* plugin, clap_id param_id, double* out_value);
    // [main thread]
    bool (*value_to_text)(const clap_plugin* plugin, clap_id param_id, double value, char* out_buffer,
                          std::uint32_t out_buffer_capacity);
    // [main thread]
    bool (*text_to_value)(const clap_plugin* plugin, clap_id param_id, const char* param_value_text, double* out_value);
    // [active ? audio thread : main thread] never while process runs.
    void (*flush)(const clap_plugin* plugin, const clap_input_events* in, const clap_output_events* out);
};

constexpr std::uint32_t CLAP_PARAM_RESCAN_VALUES = 1u << 0;
constexpr std::uint32_t CLAP_PARAM_RESCAN_TEXT = 1u << 1;
constexpr std::uint32_t CLAP_PARAM_RESCAN_INFO = 1u << 2;
constexpr std::uint32_t CLAP_PARAM_RESCAN_ALL = 1u << 3;
constexpr std::uint32_t CLAP_PARAM_CLEAR_ALL = 1u << 0;
constexpr std::uint32_t CLAP_PARAM_CLEAR_MODULATIONS = 1u << 1;
constexpr std::uint32_t CLAP_PARAM_CLEAR_AUTOMATIONS = 1u << 2;

struct clap_host_params {
    // [main thread]
    void (*rescan)(const clap_host* host, std::uint32_t flags);
    // [main thread]
    void (*clear)(const clap_host* host, clap_id param_id, std::uint32_t flags);
    // [thread-safe, not audio thread]
    void (*request_flush)(const clap_host* host);
};

// ---- Extension: state ----
constexpr const char* CLAP_EXT_STATE = "clap.state";

struct clap_istream {
    void* ctx;
    // Bytes read, 0 at the end, -1 on error.
    std::int64_t (*read)(const clap_istream* stream, void* buffer, std::uint64_t size);
};

struct clap_ostream {
    void* ctx;
    // Bytes written, -1 on error.
    std::int64_t (*write)(const clap_ostream* stream, const void* buffer, std::uint64_t size);
};

struct clap_plugin_state {
    // [main thread]
    bool (*save)(const clap_plugin* plugin, const clap_ostream* stream);
    // [main thread]
    bool (*load)(const clap_plugin* plugin, const clap_istream* stream);
};

struct clap_host_state {
    // [main thread]
    void (*mark_dirty)(const clap_host* host);
};

// ---- Extension: latency ----
constexpr const char* CLAP_EXT_LATENCY = "clap.latency";

struct clap_plugin_latency {
    // [main thread] & active
    std::uint32_t (*get)(const clap_plugin* plugin);
};

struct clap_host_latency {
    // [main thread]
    void (*changed)(const clap_host* host);
};

// ---- Extension: gui ----
constexpr const char* CLAP_EXT_GUI = "clap.gui";
constexpr const char* CLAP_WINDOW_API_WIN32 = "win32";
constexpr const char* CLAP_WINDOW_API_COCOA = "cocoa";
constexpr const char* CLAP_WINDOW_API_X11 = "x11";
constexpr const char* CLAP_WINDOW_API_WAYLAND = "wayland";

struct clap_window {
    const char* api;
    union {
        void* cocoa;  // NSView*
        unsigned long x11;  // X11 Window id
        void* win32;  // HWND
        void* ptr;
    };
};

struct clap_gui_resize_hints {
    bool can_resize_horizontally;
    bool can_resize_vertically;
    bool preserve_aspect_ratio;
    std::uint32_t aspect_ratio_width;
    std::uint32_t aspect_ratio_height;
};

struct clap_plugin_gui {
    // [main thread] for all of these
    bool (*is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
    bool (*get_preferred_api)(const clap_plugin* plugin, const char** api, bool* is_floating);
    bool (*create)(const clap_plugin* plugin, const char* api, bool is_floating);
    void (*destroy)(const clap_plugin* plugin);
    bool (*set_scale)(const clap_plugin* plugin, double scale);
    bool (*get_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*can_resize)(const clap_plugin* plugin);
    bool (*get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
    bool (*adjust_size)(const clap_plugin* plugin, std::uint32_t* width, std::uint32_t* height);
    bool (*set_size)(const clap_plugin* plugin, std::uint32_t width, std::uint32_t height);
    bool (*set_parent)(const clap_plugin* plugin, const clap_window* window);
    bool (*set_transient)(const clap_plugin* plugin, const clap_window* window);
    void (*suggest_title)(const clap_plugin* plugin, const char* title);
    bool (*show)(const clap_plugin* plugin);
    bool (*hide)(const clap_plugin* plugin);
};

struct clap_host_gui {
    // [thread-safe & !floating] for all of these
    void (*resize_hints_changed)(const clap_host* host);
    // True when the host resized (or will resize) its window.
    bool (*request_resize)(const clap_host* host, std::uint32_t width, std::uint32_t height);
    bool (*request_show)(const clap_host* host);
    bool (*request_hide)(const clap_host* host);
    void (*closed)(const clap_host* host, bool was_destroyed);
};

// ---- Extension: timer support ----
constexpr const char* CLAP_EXT_TIMER_SUPPORT = "clap.timer-support";

struct clap_plugin_timer_support {
    // [main thread]
    void (*on_timer)(const clap_plugin* plugin, clap_id timer_id);
};

struct clap_host_timer_support {
    // [main thread]
    bool (*register_timer)(const clap_host* host, std::uint32_t period_ms, clap_id* timer_id);
    // [main thread]
    bool (*unregister_timer)(const clap_host* host, clap_id timer_id);
};

// ---- Extension: POSIX file descriptors ----
constexpr const char* CLAP_EXT_POSIX_FD_SUPPORT = "clap.posix-fd-support";

constexpr std::uint32_t CLAP_POSIX_FD_READ = 1u << 0;
constexpr std::uint32_t CLAP_POSIX_FD_WRITE = 1u << 1;
constexpr std::uint32_t CLAP_POSIX_FD_ERROR = 1u << 2;

struct clap_plugin_posix_fd_support {
    // [main thread]
    void (*on_fd)(const clap_plugin* plugin, int fd, std::uint32_t flags);
};

struct clap_host_posix_fd_support {
    // [main thread] for all of these
    bool (*register_fd)(const clap_host* host, int fd, std::uint32_t flags);
    bool (*modify_fd)(const clap_host* host, int fd, std::uint32_t flags);
    bool (*unregister_fd)(const clap_host* host, int fd);
};

// ---- Extension: thread check (host side only) ----
constexpr const char* CLAP_EXT_THREAD_CHECK = "clap.thread-check";

struct clap_host_thread_check {
    // [thread-safe]
    bool (*is_main_thread)(const clap_host* host);
    // [thread-safe]
    bool (*is_audio_thread)(const clap_host* host);
};

// ---- Layout checks ----
// Both sides read these records byte by byte, so a field in the wrong place
// breaks every host silently. Only the 64-bit layout ships (Linux x86-64 and
// Windows x64 lay C records out alike: natural alignment); each is checked
// field by field.
namespace layout {
constexpr bool k64 = sizeof(void*) == 8;
}  // namespace layout

static_assert(sizeof(bool) == 1 && sizeof(double) == 8 && sizeof(int) == 4);
// The one field whose width differs between the two platforms' C types is the
// X11 window id (`unsigned long`), which only Linux uses; the union is
// pointer-sized either way.
static_assert(sizeof(clap_window) == 2 * sizeof(void*));

static_assert(sizeof(clap_version) == 12);
static_assert(offsetof(clap_version, major) == 0);
static_assert(offsetof(clap_version, minor) == 4);
static_assert(offsetof(clap_version, revision) == 8);

static_assert(!layout::k64 || sizeof(clap_plugin_entry) == 40);
static_assert(!layout::k64 || offsetof(clap_plugin_entry, clap_version) == 0);
static_assert(!layout::k64 || offsetof(clap_plugin_entry, init) == 16);
static_assert(!layout::k64 || offsetof(clap_plugin_entry, deinit) == 24);
static_assert(!layout::k64 || offsetof(clap_plugin_entry, get_factory) == 32);

static_assert(!layout::k64 || sizeof(clap_plugin_factory) == 24);
static_assert(!layout::k64 || offsetof(clap_plugin_factory, get_plugin_count) == 0);
static_assert(!layout::k64 || offsetof(clap_plugin_factory, get_plugin_descriptor) == 8);
static_assert(!layout::k64 || offsetof(clap_plugin_factory, create_plugin) == 16);

static_assert(!layout::k64 || sizeof(clap_plugin_descriptor) == 88);
static_assert(!layout::k64 || offsetof(clap_plugin_descriptor, clap_version) == 0);
static_assert(!layout::k64 || offsetof(clap_plugin_descriptor, id) == 16);
static_assert(!layout::k64 || offsetof(clap_plugin_descriptor, name) == 24);
static_assert(!layout::k64 || offsetof(clap_plugin_descriptor, vendor) == 32);
static_assert(!layout::k64 || offsetof(clap_plugin_descriptor, url) == 40);
static_assert(!layout::k64 || offsetof(clap_plugin_descriptor, manual_url) == 48);
static_assert(!layout::k64 || offsetof(clap_plugin_descriptor, support_url) == 56);
static_assert(!layout::k64 || offsetof(clap_plugin_descriptor, version) == 64);
static_assert(!layout::k64 || offsetof(clap_plugin_descriptor, description) == 72);
static_assert(!layout::k64 || offsetof(clap_plugin_descriptor, features) == 80);

static_assert(!layout::k64 || sizeof(clap_host) == 88);
static_assert(!layout::k64 || offsetof(clap_host, clap_version) == 0);
static_assert(!layout::k64 || offsetof(clap_host, host_data) == 16);
static_assert(!layout::k64 || offsetof(clap_host, name) == 24);
static_assert(!layout::k64 || offsetof(clap_host, vendor) == 32);
static_assert(!layout::k64 || offsetof(clap_host, url) == 40);
static_assert(!layout::k64 || offsetof(clap_host, version) == 48);
static_assert(!layout::k64 || offsetof(clap_host, get_extension) == 56);
static_assert(!layout::k64 || offsetof(clap_host, request_restart) == 64);
static_assert(!layout::k64 || offsetof(clap_host, request_process) == 72);
static_assert(!layout::k64 || offsetof(clap_host, request_callback) == 80);

static_assert(!layout::k64 || sizeof(clap_plugin) == 96);
static_assert(!layout::k64 || offsetof(clap_plugin, desc) == 0);
static_assert(!layout::k64 || offsetof(clap_plugin, plugin_data) == 8);
static_assert(!layout::k64 || offsetof(clap_plugin, init) == 16);
static_assert(!layout::k64 || offsetof(clap_plugin, destroy) == 24);
static_assert(!layout::k64 || offsetof(clap_plugin, activate) == 32);
static_assert(!layout::k64 || offsetof(clap_plugin, deactivate) == 40);
static_assert(!layout::k64 || offsetof(clap_plugin, start_processing) == 48);
static_assert(!layout::k64 || offsetof(clap_plugin, stop_processing) == 56);
static_assert(!layout::k64 || offsetof(clap_plugin, reset) == 64);
static_assert(!layout::k64 || offsetof(clap_plugin, process) == 72);
static_assert(!layout::k64 || offsetof(clap_plugin, get_extension) == 80);
static_assert(!layout::k64 || offsetof(clap_plugin, on_main_thread) == 88);

static_assert(sizeof(clap_event_header) == 16);
static_assert(offsetof(clap_event_header, size) == 0);
static_assert(offsetof(clap_event_header, time) == 4);
static_assert(offsetof(clap_event_header, space_id) == 8);
static_assert(offsetof(clap_event_header, type) == 10);
static_assert(offsetof(clap_event_header, flags) == 12);

static_assert(!layout::k64 || sizeof(clap_event_param_value) == 56);
static_assert(!layout::k64 || offsetof(clap_event_param_value, header) == 0);
static_assert(!layout::k64 || offsetof(clap_event_param_value, param_id) == 16);
static_assert(!layout::k64 || offsetof(clap_event_param_value, cookie) == 24);
static_assert(!layout::k64 || offsetof(clap_event_param_value, note_id) == 32);
static_assert(!layout::k64 || offsetof(clap_event_param_value, port_index) == 36);
static_assert(!layout::k64 || offsetof(clap_event_param_value, channel) == 38);
static_assert(!layout::k64 || offsetof(clap_event_param_value, key) == 40);
static_assert(!layout::k64 || offsetof(clap_event_param_value, value) == 48);

static_assert(sizeof(clap_event_param_gesture) == 20);
static_assert(offsetof(clap_event_param_gesture, header) == 0);
static_assert(offsetof(clap_event_param_gesture, param_id) == 16);

static_assert(!layout::k64 || sizeof(clap_input_events) == 24);
static_assert(!layout::k64 || offsetof(clap_input_events, ctx) == 0);
static_assert(!layout::k64 || offsetof(clap_input_events, size) == 8);
static_assert(!layout::k64 || offsetof(clap_input_events, get) == 16);

static_assert(!layout::k64 || sizeof(clap_output_events) == 16);
static_assert(!layout::k64 || offsetof(clap_output_events, ctx) == 0);
static_assert(!layout::k64 || offsetof(clap_output_events, try_push) == 8);

static_assert(!layout::k64 || sizeof(clap_audio_buffer) == 32);
static_assert(!layout::k64 || offsetof(clap_audio_buffer, data32) == 0);
static_assert(!layout::k64 || offsetof(clap_audio_buffer, data64) == 8);
static_assert(!layout::k64 || offsetof(clap_audio_buffer, channel_count) == 16);
static_assert(!layout::k64 || offsetof(clap_audio_buffer, latency) == 20);
static_assert(!layout::k64 || offsetof(clap_audio_buffer, constant_mask) == 24);

static_assert(!layout::k64 || sizeof(clap_process) == 64);
static_assert(!layout::k64 || offsetof(clap_process, steady_time) == 0);
static_assert(!layout::k64 || offsetof(clap_process, frames_count) == 8);
static_assert(!layout::k64 || offsetof(clap_process, transport) == 16);
static_assert(!layout::k64 || offsetof(clap_process, audio_inputs) == 24);
static_assert(!layout::k64 || offsetof(clap_process, audio_outputs) == 32);
static_assert(!layout::k64 || offsetof(clap_process, audio_inputs_count) == 40);
static_assert(!layout::k64 || offsetof(clap_process, audio_outputs_count) == 44);
static_assert(!layout::k64 || offsetof(clap_process, in_events) == 48);
static_assert(!layout::k64 || offsetof(clap_process, out_events) == 56);

static_assert(!layout::k64 || sizeof(clap_audio_port_info) == 288);
static_assert(!layout::k64 || offsetof(clap_audio_port_info, id) == 0);
static_assert(!layout::k64 || offsetof(clap_audio_port_info, name) == 4);
static_assert(!layout::k64 || offsetof(clap_audio_port_info, flags) == 260);
static_assert(!layout::k64 || offsetof(clap_audio_port_info, channel_count) == 264);
static_assert(!layout::k64 || offsetof(clap_audio_port_info, port_type) == 272);
static_assert(!layout::k64 || offsetof(clap_audio_port_info, in_place_pair) == 280);

static_assert(!layout::k64 || sizeof(clap_plugin_audio_ports) == 16);
static_assert(!layout::k64 || offsetof(clap_plugin_audio_ports, count) == 0);
static_assert(!layout::k64 || offsetof(clap_plugin_audio_ports, get) == 8);
static_assert(!layout::k64 || sizeof(clap_host_audio_ports) == 16);
static_assert(!layout::k64 || offsetof(clap_host_audio_ports, is_rescan_flag_supported) == 0);
static_assert(!layout::k64 || offsetof(clap_host_audio_ports, rescan) == 8);

static_assert(!layout::k64 || sizeof(clap_param_info) == 1320);
static_assert(!layout::k64 || offsetof(clap_param_info, id) == 0);
static_assert(!layout::k64 || offsetof(clap_param_info, flags) == 4);
static_assert(!layout::k64 || offsetof(clap_param_info, cookie) == 8);
static_assert(!layout::k64 || offsetof(clap_param_info, name) == 16);
static_assert(!layout::k64 || offsetof(clap_param_info, module) == 272);
static_assert(!layout::k64 || offsetof(clap_param_info, min_value) == 1296);
static_assert(!layout::k64 || offsetof(clap_param_info, max_value) == 1304);
static_assert(!layout::k64 || offsetof(clap_param_info, default_value) == 1312);

static_assert(!layout::k64 || sizeof(clap_plugin_params) == 48);
static_assert(!layout::k64 || offsetof(clap_plugin_params, count) == 0);
static_assert(!layout::k64 || offsetof(clap_plugin_params, get_info) == 8);
static_assert(!layout::k64 || offsetof(clap_plugin_params, get_value) == 16);
static_assert(!layout::k64 || offsetof(clap_plugin_params, value_to_text) == 24);
static_assert(!layout::k64 || offsetof(clap_plugin_params, text_to_value) == 32);
static_assert(!layout::k64 || offsetof(clap_plugin_params, flush) == 40);
static_assert(!layout::k64 || sizeof(clap_host_params) == 24);
static_assert(!layout::k64 || offsetof(clap_host_params, rescan) == 0);
static_assert(!layout::k64 || offsetof(clap_host_params, clear) == 8);
static_assert(!layout::k64 || offsetof(clap_host_params, request_flush) == 16);

static_assert(!layout::k64 || sizeof(clap_istream) == 16);
static_assert(!layout::k64 || offsetof(clap_istream, ctx) == 0);
static_assert(!layout::k64 || offsetof(clap_istream, read) == 8);
static_assert(!layout::k64 || sizeof(clap_ostream) == 16);
static_assert(!layout::k64 || offsetof(clap_ostream, ctx) == 0);
static_assert(!layout::k64 || offsetof(clap_ostream, write) == 8);
static_assert(!layout::k64 || sizeof(clap_plugin_state) == 16);
static_assert(!layout::k64 || offsetof(clap_plugin_state, save) == 0);
static_assert(!layout::k64 || offsetof(clap_plugin_state, load) == 8);
static_assert(!layout::k64 || sizeof(clap_host_state) == 8);

static_assert(!layout::k64 || sizeof(clap_plugin_latency) == 8);
static_assert(!layout::k64 || sizeof(clap_host_latency) == 8);

static_assert(!layout::k64 || sizeof(clap_window) == 16);
static_assert(!layout::k64 || offsetof(clap_window, api) == 0);
static_assert(!layout::k64 || offsetof(clap_window, x11) == 8);
static_assert(!layout::k64 || offsetof(clap_window, win32) == 8);
static_assert(sizeof(clap_gui_resize_hints) == 12);
static_assert(offsetof(clap_gui_resize_hints, can_resize_horizontally) == 0);
static_assert(offsetof(clap_gui_resize_hints, can_resize_vertically) == 1);
static_assert(offsetof(clap_gui_resize_hints, preserve_aspect_ratio) == 2);
static_assert(offsetof(clap_gui_resize_hints, aspect_ratio_width) == 4);
static_assert(offsetof(clap_gui_resize_hints, aspect_ratio_height) == 8);

static_assert(!layout::k64 || sizeof(clap_plugin_gui) == 120);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, is_api_supported) == 0);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, get_preferred_api) == 8);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, create) == 16);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, destroy) == 24);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, set_scale) == 32);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, get_size) == 40);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, can_resize) == 48);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, get_resize_hints) == 56);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, adjust_size) == 64);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, set_size) == 72);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, set_parent) == 80);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, set_transient) == 88);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, suggest_title) == 96);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, show) == 104);
static_assert(!layout::k64 || offsetof(clap_plugin_gui, hide) == 112);
static_assert(!layout::k64 || sizeof(clap_host_gui) == 40);
static_assert(!layout::k64 || offsetof(clap_host_gui, resize_hints_changed) == 0);
static_assert(!layout::k64 || offsetof(clap_host_gui, request_resize) == 8);
static_assert(!layout::k64 || offsetof(clap_host_gui, request_show) == 16);
static_assert(!layout::k64 || offsetof(clap_host_gui, request_hide) == 24);
static_assert(!layout::k64 || offsetof(clap_host_gui, closed) == 32);

static_assert(!layout::k64 || sizeof(clap_plugin_timer_support) == 8);
static_assert(!layout::k64 || sizeof(clap_host_timer_support) == 16);
static_assert(!layout::k64 || offsetof(clap_host_timer_support, register_timer) == 0);
static_assert(!layout::k64 || offsetof(clap_host_timer_support, unregister_timer) == 8);

static_assert(!layout::k64 || sizeof(clap_plugin_posix_fd_support) == 8);
static_assert(!layout::k64 || sizeof(clap_host_posix_fd_support) == 24);
static_assert(!layout::k64 || offsetof(clap_host_posix_fd_support, register_fd) == 0);
static_assert(!layout::k64 || offsetof(clap_host_posix_fd_support, modify_fd) == 8);
static_assert(!layout::k64 || offsetof(clap_host_posix_fd_support, unregister_fd) == 16);

static_assert(!layout::k64 || sizeof(clap_host_thread_check) == 16);
static_assert(!layout::k64 || offsetof(clap_host_thread_check, is_main_thread) == 0);
static_assert(!layout::k64 || offsetof(clap_host_thread_check, is_audio_thread) == 8);

}  // namespace clap

}  // namespace kestrelon
