#pragma once
// The CLAP 1.2 plug-in interface as far as QUAR2 uses it: plain C structs of data and function
// pointers, declared here from the interface's published binary layout (64-bit Windows and
// Linux; the two differ only in the width of clap_window's unused x11 member on Windows). Every
// size and offset the plug-in relies on is pinned by a static_assert at the end, so that a slip
// in a declaration fails the build instead of a host.
//
// Thread tags in the comments: [main] the host's main thread, [audio] the thread the host
// processes on, [any] any thread. Callers on the plug-in side are checked in ClapThreadRules.h.

#include <cstddef>
#include <cstdint>

extern "C"
{

    using clap_id = uint32_t;
    inline constexpr clap_id CLAP_INVALID_ID = 0xFFFFFFFFu;
    using clap_process_status = int32_t;
    using clap_beattime = int64_t;
    using clap_sectime = int64_t;
    // Beats and seconds in clap_beattime / clap_sectime are fixed point with this factor.
    inline constexpr double CLAP_TIME_FACTOR = 2147483648.0;

    inline constexpr uint32_t CLAP_NAME_SIZE = 256;
    inline constexpr uint32_t CLAP_PATH_SIZE = 1024;

    struct clap_version
    {
        uint32_t major;
        uint32_t minor;
        uint32_t revision;
    };
    // The interface version this declaration follows; a peer is compatible when major >= 1.
    inline constexpr clap_version CLAP_VERSION_OURS = {1, 2, 9};
    inline constexpr bool clap_version_is_compatible(clap_version v)
    {
        return v.major >= 1;
    }

    // --- Events
    // ------------------------------------------------------------------------------------

    struct clap_event_header
    {
        uint32_t size; // bytes of the whole event
        uint32_t time; // sample offset in the block
        uint16_t space_id;
        uint16_t type;
        uint32_t flags;
    };
    inline constexpr uint16_t CLAP_CORE_EVENT_SPACE_ID = 0;
    inline constexpr uint32_t CLAP_EVENT_IS_LIVE = 1;
    inline constexpr uint32_t CLAP_EVENT_DONT_RECORD = 2;
    enum : uint16_t
    {
        CLAP_EVENT_NOTE_ON = 0,
        CLAP_EVENT_NOTE_OFF = 1,
        CLAP_EVENT_NOTE_CHOKE = 2,
        CLAP_EVENT_NOTE_END = 3,
        CLAP_EVENT_NOTE_EXPRESSION = 4,
        CLAP_EVENT_PARAM_VALUE = 5,
        CLAP_EVENT_PARAM_MOD = 6,
        CLAP_EVENT_PARAM_GESTURE_BEGIN = 7,
        CLAP_EVENT_PARAM_GESTURE_END = 8,
        CLAP_EVENT_TRANSPORT = 9,
        CLAP_EVENT_MIDI = 10,
        CLAP_EVENT_MIDI_SYSEX = 11,
        CLAP_EVENT_MIDI2 = 12,
    };

    struct clap_event_param_value
    {
        clap_event_header header;
        clap_id param_id;
        void* cookie;
        int32_t note_id;
        int16_t port_index;
        int16_t channel;
        int16_t key;
        double value; // plain value in [min_value, max_value]
    };

    struct clap_event_param_gesture
    {
        clap_event_header header;
        clap_id param_id;
    };

    enum : uint32_t
    {
        CLAP_TRANSPORT_HAS_TEMPO = 1,
        CLAP_TRANSPORT_HAS_BEATS_TIMELINE = 2,
        CLAP_TRANSPORT_HAS_SECONDS_TIMELINE = 4,
        CLAP_TRANSPORT_HAS_TIME_SIGNATURE = 8,
        CLAP_TRANSPORT_IS_PLAYING = 16,
        CLAP_TRANSPORT_IS_RECORDING = 32,
        CLAP_TRANSPORT_IS_LOOP_ACTIVE = 64,
        CLAP_TRANSPORT_IS_WITHIN_PRE_ROLL = 128,
    };

    struct clap_event_transport
    {
        clap_event_header header;
        uint32_t flags;
        clap_beattime song_pos_beats;
        clap_sectime song_pos_seconds;
        double tempo; // BPM
        double tempo_inc;
        clap_beattime loop_start_beats;
        clap_beattime loop_end_beats;
        clap_sectime loop_start_seconds;
        clap_sectime loop_end_seconds;
        clap_beattime bar_start;
        int32_t bar_number;
        uint16_t tsig_num;
        uint16_t tsig_denom;
    };

    struct clap_input_events
    {
        void* ctx;
        uint32_t (*size)(const clap_input_events* list);
        const clap_event_header* (*get)(const clap_input_events* list, uint32_t index);
    };

    struct clap_output_events
    {
        void* ctx;
        // The host copies header->size bytes; false = not queued.
        bool (*try_push)(const clap_output_events* list, const clap_event_header* event);
    };

    // --- Processing
    // --------------------------------------------------------------------------------

    struct clap_audio_buffer
    {
        float** data32;
        double** data64;
        uint32_t channel_count;
        uint32_t latency;
        uint64_t constant_mask;
    };

    struct clap_process
    {
        int64_t steady_time;
        uint32_t frames_count;
        const clap_event_transport* transport;
        const clap_audio_buffer* audio_inputs;
        clap_audio_buffer* audio_outputs;
        uint32_t audio_inputs_count;
        uint32_t audio_outputs_count;
        const clap_input_events* in_events;
        const clap_output_events* out_events;
    };

    enum : clap_process_status
    {
        CLAP_PROCESS_ERROR = 0,
        CLAP_PROCESS_CONTINUE = 1,
        CLAP_PROCESS_CONTINUE_IF_NOT_QUIET = 2,
        CLAP_PROCESS_TAIL = 3,
        CLAP_PROCESS_SLEEP = 4,
    };

    // --- Host, plug-in, descriptor, factory, entry
    // -------------------------------------------------

    struct clap_host
    {
        clap_version clap_version;
        void* host_data;
        const char* name;
        const char* vendor;
        const char* url;
        const char* version;
        const void* (*get_extension)(const clap_host* host, const char* extension_id); // [any]
        void (*request_restart)(const clap_host* host);                                // [any]
        void (*request_process)(const clap_host* host);                                // [any]
        void (*request_callback)(const clap_host* host);                               // [any]
    };

    struct clap_plugin_descriptor
    {
        clap_version clap_version;
        const char* id;
        const char* name;
        const char* vendor;
        const char* url;
        const char* manual_url;
        const char* support_url;
        const char* version;
        const char* description;
        const char* const* features; // null-terminated
    };

    struct clap_plugin
    {
        const clap_plugin_descriptor* desc;
        void* plugin_data;
        bool (*init)(const clap_plugin* plugin);    // [main]
        void (*destroy)(const clap_plugin* plugin); // [main, !active]
        bool (*activate)(const clap_plugin* plugin, double sample_rate, uint32_t min_frames,
                         uint32_t max_frames);               // [main, !active]
        void (*deactivate)(const clap_plugin* plugin);       // [main, active]
        bool (*start_processing)(const clap_plugin* plugin); // [audio, active]
        void (*stop_processing)(const clap_plugin* plugin);  // [audio, processing]
        void (*reset)(const clap_plugin* plugin);            // [audio, active]
        clap_process_status (*process)(const clap_plugin* plugin, const clap_process* process);
        const void* (*get_extension)(const clap_plugin* plugin, const char* id); // [any]
        void (*on_main_thread)(const clap_plugin* plugin);                       // [main]
    };

    struct clap_plugin_factory
    {
        uint32_t (*get_plugin_count)(const clap_plugin_factory* factory);
        const clap_plugin_descriptor* (*get_plugin_descriptor)(const clap_plugin_factory* factory,
                                                               uint32_t index);
        const clap_plugin* (*create_plugin)(const clap_plugin_factory* factory,
                                            const clap_host* host, const char* plugin_id);
    };
    inline constexpr char CLAP_PLUGIN_FACTORY_ID[] = "clap.plugin-factory";

    struct clap_plugin_entry
    {
        clap_version clap_version;
        bool (*init)(const char* plugin_path);
        void (*deinit)(void);
        const void* (*get_factory)(const char* factory_id);
    };

    // --- Extensions
    // --------------------------------------------------------------------------------

    inline constexpr char CLAP_EXT_PARAMS[] = "clap.params";
    inline constexpr char CLAP_EXT_STATE[] = "clap.state";
    inline constexpr char CLAP_EXT_AUDIO_PORTS[] = "clap.audio-ports";
    inline constexpr char CLAP_EXT_LATENCY[] = "clap.latency";
    inline constexpr char CLAP_EXT_GUI[] = "clap.gui";
    inline constexpr char CLAP_EXT_TIMER_SUPPORT[] = "clap.timer-support";
    inline constexpr char CLAP_EXT_POSIX_FD_SUPPORT[] = "clap.posix-fd-support";
    inline constexpr char CLAP_EXT_LOG[] = "clap.log";
    inline constexpr char CLAP_EXT_THREAD_CHECK[] = "clap.thread-check";

    enum : uint32_t
    {
        CLAP_PARAM_IS_STEPPED = 0x1,
        CLAP_PARAM_IS_PERIODIC = 0x2,
        CLAP_PARAM_IS_HIDDEN = 0x4,
        CLAP_PARAM_IS_READONLY = 0x8,
        CLAP_PARAM_IS_BYPASS = 0x10,
        CLAP_PARAM_IS_AUTOMATABLE = 0x20,
        CLAP_PARAM_IS_MODULATABLE = 0x400,
        CLAP_PARAM_REQUIRES_PROCESS = 0x8000,
        CLAP_PARAM_IS_ENUM = 0x10000,
    };

    struct clap_param_info
    {
        clap_id id;
        uint32_t flags;
        void* cookie;
        char name[CLAP_NAME_SIZE];
        char module[CLAP_PATH_SIZE];
        double min_value;
        double max_value;
        double default_value;
    };

    struct clap_plugin_params
    {
        uint32_t (*count)(const clap_plugin* plugin); // [main]
        bool (*get_info)(const clap_plugin* plugin, uint32_t index,
                         clap_param_info* info);                               // [main]
        bool (*get_value)(const clap_plugin* plugin, clap_id id, double* out); // [main]
        bool (*value_to_text)(const clap_plugin* plugin, clap_id id, double value, char* out,
                              uint32_t capacity); // [main]
        bool (*text_to_value)(const clap_plugin* plugin, clap_id id, const char* text,
                              double* out); // [main]
        // [active ? audio : main]
        void (*flush)(const clap_plugin* plugin, const clap_input_events* in,
                      const clap_output_events* out);
    };

    enum : uint32_t
    {
        CLAP_PARAM_RESCAN_VALUES = 1,
        CLAP_PARAM_RESCAN_TEXT = 2,
        CLAP_PARAM_RESCAN_INFO = 4,
        CLAP_PARAM_RESCAN_ALL = 8,
    };

    struct clap_host_params
    {
        void (*rescan)(const clap_host* host, uint32_t flags);            // [main]
        void (*clear)(const clap_host* host, clap_id id, uint32_t flags); // [main]
        void (*request_flush)(const clap_host* host);                     // [any but audio]
    };

    struct clap_istream
    {
        void* ctx;
        // Bytes read (maybe fewer than asked), 0 at the end, -1 on error.
        int64_t (*read)(const clap_istream* stream, void* buffer, uint64_t size);
    };

    struct clap_ostream
    {
        void* ctx;
        // Bytes written (maybe fewer than asked), -1 on error.
        int64_t (*write)(const clap_ostream* stream, const void* buffer, uint64_t size);
    };

    struct clap_plugin_state
    {
        bool (*save)(const clap_plugin* plugin, const clap_ostream* stream); // [main]
        bool (*load)(const clap_plugin* plugin, const clap_istream* stream); // [main]
    };

    struct clap_host_state
    {
        void (*mark_dirty)(const clap_host* host); // [main]
    };

    enum : uint32_t
    {
        CLAP_AUDIO_PORT_IS_MAIN = 1,
        CLAP_AUDIO_PORT_SUPPORTS_64BITS = 2,
        CLAP_AUDIO_PORT_PREFERS_64BITS = 4,
        CLAP_AUDIO_PORT_REQUIRES_COMMON_SAMPLE_SIZE = 8,
    };
    inline constexpr char CLAP_PORT_STEREO[] = "stereo";

    struct clap_audio_port_info
    {
        clap_id id;
        char name[CLAP_NAME_SIZE];
        uint32_t flags;
        uint32_t channel_count;
        const char* port_type;
        clap_id in_place_pair;
    };

    struct clap_plugin_audio_ports
    {
        uint32_t (*count)(const clap_plugin* plugin, bool is_input); // [main]
        bool (*get)(const clap_plugin* plugin, uint32_t index, bool is_input,
                    clap_audio_port_info* info); // [main]
    };

    struct clap_plugin_latency
    {
        uint32_t (*get)(const clap_plugin* plugin); // [main, activating or active]
    };

    struct clap_host_latency
    {
        void (*changed)(const clap_host* host); // [main, only inside activate]
    };

    inline constexpr char CLAP_WINDOW_API_WIN32[] = "win32";
    inline constexpr char CLAP_WINDOW_API_X11[] = "x11";

    struct clap_window
    {
        const char* api;
        union
        {
            void* cocoa;
            unsigned long x11;
            void* win32;
            void* ptr;
        };
    };

    struct clap_gui_resize_hints
    {
        bool can_resize_horizontally;
        bool can_resize_vertically;
        bool preserve_aspect_ratio;
        uint32_t aspect_ratio_width;
        uint32_t aspect_ratio_height;
    };

    // Every entry [main].
    struct clap_plugin_gui
    {
        bool (*is_api_supported)(const clap_plugin* plugin, const char* api, bool is_floating);
        bool (*get_preferred_api)(const clap_plugin* plugin, const char** api, bool* is_floating);
        bool (*create)(const clap_plugin* plugin, const char* api, bool is_floating);
        void (*destroy)(const clap_plugin* plugin);
        bool (*set_scale)(const clap_plugin* plugin, double scale);
        bool (*get_size)(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
        bool (*can_resize)(const clap_plugin* plugin);
        bool (*get_resize_hints)(const clap_plugin* plugin, clap_gui_resize_hints* hints);
        bool (*adjust_size)(const clap_plugin* plugin, uint32_t* width, uint32_t* height);
        bool (*set_size)(const clap_plugin* plugin, uint32_t width, uint32_t height);
        bool (*set_parent)(const clap_plugin* plugin, const clap_window* window);
        bool (*set_transient)(const clap_plugin* plugin, const clap_window* window);
        void (*suggest_title)(const clap_plugin* plugin, const char* title);
        bool (*show)(const clap_plugin* plugin);
        bool (*hide)(const clap_plugin* plugin);
    };

    // Every entry [any].
    struct clap_host_gui
    {
        void (*resize_hints_changed)(const clap_host* host);
        bool (*request_resize)(const clap_host* host, uint32_t width, uint32_t height);
        bool (*request_show)(const clap_host* host);
        bool (*request_hide)(const clap_host* host);
        void (*closed)(const clap_host* host, bool was_destroyed);
    };

    struct clap_plugin_timer_support
    {
        void (*on_timer)(const clap_plugin* plugin, clap_id timer_id); // [main]
    };

    struct clap_host_timer_support
    {
        bool (*register_timer)(const clap_host* host, uint32_t period_ms,
                               clap_id* timer_id);                         // [main]
        bool (*unregister_timer)(const clap_host* host, clap_id timer_id); // [main]
    };

    enum : uint32_t
    {
        CLAP_POSIX_FD_READ = 1,
        CLAP_POSIX_FD_WRITE = 2,
        CLAP_POSIX_FD_ERROR = 4,
    };

    struct clap_plugin_posix_fd_support
    {
        void (*on_fd)(const clap_plugin* plugin, int fd, uint32_t flags); // [main], level-triggered
    };

    struct clap_host_posix_fd_support
    {
        bool (*register_fd)(const clap_host* host, int fd, uint32_t flags); // [main]
        bool (*modify_fd)(const clap_host* host, int fd, uint32_t flags);   // [main]
        bool (*unregister_fd)(const clap_host* host, int fd);               // [main]
    };

    enum : int32_t
    {
        CLAP_LOG_DEBUG = 0,
        CLAP_LOG_INFO = 1,
        CLAP_LOG_WARNING = 2,
        CLAP_LOG_ERROR = 3,
        CLAP_LOG_FATAL = 4,
        CLAP_LOG_HOST_MISBEHAVING = 5,
        CLAP_LOG_PLUGIN_MISBEHAVING = 6,
    };

    struct clap_host_log
    {
        void (*log)(const clap_host* host, int32_t severity, const char* message); // [any]
    };

    struct clap_host_thread_check
    {
        bool (*is_main_thread)(const clap_host* host);  // [any]
        bool (*is_audio_thread)(const clap_host* host); // [any]
    };

} // extern "C"

// --- The layout facts, on both platforms -------------------------------------------------------

static_assert(sizeof(bool) == 1 && sizeof(void*) == 8, "64-bit targets with a 1-byte bool");
static_assert(sizeof(clap_version) == 12 && alignof(clap_version) == 4);
static_assert(sizeof(clap_plugin_entry) == 40 && offsetof(clap_plugin_entry, init) == 16 &&
              offsetof(clap_plugin_entry, deinit) == 24 &&
              offsetof(clap_plugin_entry, get_factory) == 32);
static_assert(sizeof(clap_plugin_factory) == 24 &&
              offsetof(clap_plugin_factory, create_plugin) == 16);
static_assert(sizeof(clap_plugin_descriptor) == 88 && offsetof(clap_plugin_descriptor, id) == 16 &&
              offsetof(clap_plugin_descriptor, version) == 64 &&
              offsetof(clap_plugin_descriptor, features) == 80);
static_assert(sizeof(clap_plugin) == 96 && offsetof(clap_plugin, init) == 16 &&
              offsetof(clap_plugin, activate) == 32 && offsetof(clap_plugin, process) == 72 &&
              offsetof(clap_plugin, get_extension) == 80 &&
              offsetof(clap_plugin, on_main_thread) == 88);
static_assert(sizeof(clap_host) == 88 && offsetof(clap_host, host_data) == 16 &&
              offsetof(clap_host, name) == 24 && offsetof(clap_host, version) == 48 &&
              offsetof(clap_host, get_extension) == 56 &&
              offsetof(clap_host, request_restart) == 64 &&
              offsetof(clap_host, request_callback) == 80);
static_assert(sizeof(clap_process) == 64 && offsetof(clap_process, frames_count) == 8 &&
              offsetof(clap_process, transport) == 16 &&
              offsetof(clap_process, audio_inputs) == 24 &&
              offsetof(clap_process, audio_outputs) == 32 &&
              offsetof(clap_process, audio_inputs_count) == 40 &&
              offsetof(clap_process, audio_outputs_count) == 44 &&
              offsetof(clap_process, in_events) == 48 && offsetof(clap_process, out_events) == 56);
static_assert(sizeof(clap_audio_buffer) == 32 && offsetof(clap_audio_buffer, data64) == 8 &&
              offsetof(clap_audio_buffer, channel_count) == 16 &&
              offsetof(clap_audio_buffer, latency) == 20 &&
              offsetof(clap_audio_buffer, constant_mask) == 24);
static_assert(sizeof(clap_event_header) == 16 && alignof(clap_event_header) == 4 &&
              offsetof(clap_event_header, time) == 4 &&
              offsetof(clap_event_header, space_id) == 8 &&
              offsetof(clap_event_header, type) == 10 && offsetof(clap_event_header, flags) == 12);
static_assert(sizeof(clap_event_param_value) == 56 && alignof(clap_event_param_value) == 8 &&
              offsetof(clap_event_param_value, param_id) == 16 &&
              offsetof(clap_event_param_value, cookie) == 24 &&
              offsetof(clap_event_param_value, note_id) == 32 &&
              offsetof(clap_event_param_value, port_index) == 36 &&
              offsetof(clap_event_param_value, channel) == 38 &&
              offsetof(clap_event_param_value, key) == 40 &&
              offsetof(clap_event_param_value, value) == 48);
static_assert(sizeof(clap_event_param_gesture) == 20 && alignof(clap_event_param_gesture) == 4 &&
              offsetof(clap_event_param_gesture, param_id) == 16);
static_assert(sizeof(clap_event_transport) == 104 && offsetof(clap_event_transport, flags) == 16 &&
              offsetof(clap_event_transport, song_pos_beats) == 24 &&
              offsetof(clap_event_transport, song_pos_seconds) == 32 &&
              offsetof(clap_event_transport, tempo) == 40 &&
              offsetof(clap_event_transport, bar_start) == 88 &&
              offsetof(clap_event_transport, bar_number) == 96 &&
              offsetof(clap_event_transport, tsig_num) == 100 &&
              offsetof(clap_event_transport, tsig_denom) == 102);
static_assert(sizeof(clap_input_events) == 24 && offsetof(clap_input_events, get) == 16);
static_assert(sizeof(clap_output_events) == 16 && offsetof(clap_output_events, try_push) == 8);
static_assert(sizeof(clap_param_info) == 1320 && alignof(clap_param_info) == 8 &&
              offsetof(clap_param_info, flags) == 4 && offsetof(clap_param_info, cookie) == 8 &&
              offsetof(clap_param_info, name) == 16 && offsetof(clap_param_info, module) == 272 &&
              offsetof(clap_param_info, min_value) == 1296 &&
              offsetof(clap_param_info, max_value) == 1304 &&
              offsetof(clap_param_info, default_value) == 1312);
static_assert(sizeof(clap_plugin_params) == 48 && offsetof(clap_plugin_params, flush) == 40);
static_assert(sizeof(clap_host_params) == 24 && offsetof(clap_host_params, request_flush) == 16);
static_assert(sizeof(clap_plugin_state) == 16 && sizeof(clap_host_state) == 8);
static_assert(sizeof(clap_istream) == 16 && offsetof(clap_istream, read) == 8);
static_assert(sizeof(clap_ostream) == 16 && offsetof(clap_ostream, write) == 8);
static_assert(sizeof(clap_audio_port_info) == 288 && alignof(clap_audio_port_info) == 8 &&
              offsetof(clap_audio_port_info, name) == 4 &&
              offsetof(clap_audio_port_info, flags) == 260 &&
              offsetof(clap_audio_port_info, channel_count) == 264 &&
              offsetof(clap_audio_port_info, port_type) == 272 &&
              offsetof(clap_audio_port_info, in_place_pair) == 280);
static_assert(sizeof(clap_plugin_audio_ports) == 16);
static_assert(sizeof(clap_plugin_latency) == 8 && sizeof(clap_host_latency) == 8);
static_assert(sizeof(clap_window) == 16 && offsetof(clap_window, win32) == 8 &&
              offsetof(clap_window, x11) == 8);
static_assert(sizeof(clap_gui_resize_hints) == 12 &&
              offsetof(clap_gui_resize_hints, aspect_ratio_width) == 4 &&
              offsetof(clap_gui_resize_hints, aspect_ratio_height) == 8);
static_assert(sizeof(clap_plugin_gui) == 120 && offsetof(clap_plugin_gui, get_size) == 40 &&
              offsetof(clap_plugin_gui, set_parent) == 80 &&
              offsetof(clap_plugin_gui, show) == 104 && offsetof(clap_plugin_gui, hide) == 112);
static_assert(sizeof(clap_host_gui) == 40 && offsetof(clap_host_gui, closed) == 32);
static_assert(sizeof(clap_plugin_timer_support) == 8 && sizeof(clap_host_timer_support) == 16);
static_assert(sizeof(clap_plugin_posix_fd_support) == 8 &&
              sizeof(clap_host_posix_fd_support) == 24 &&
              offsetof(clap_host_posix_fd_support, unregister_fd) == 16);
static_assert(sizeof(clap_host_log) == 8 && sizeof(clap_host_thread_check) == 16);
