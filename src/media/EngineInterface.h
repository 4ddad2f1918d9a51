#pragma once

/* The door between the program and the media engine module: one entry point and two tables of
 * plain C functions. The program fills in who it is; the module checks that, and gives back
 * its own identity and what it can do. Nothing else crosses: no C++ types, no exceptions, no
 * symbol of either side, so the program exports nothing and the module exports only the entry
 * point. A change to anything in this file raises ZAROVIA_ENGINE_INTERFACE_VERSION.
 *
 * Every function is called on the thread that made the device, and every callback arrives on
 * that thread too (queued, never from inside the call that caused it, except where said). */

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define ZAROVIA_ENGINE_INTERFACE_VERSION 1u
#define ZAROVIA_ENGINE_ENTRY_NAME "zarovia_media_engine_entry"

/* Results of the calls below. A failure of the device is its kind of media error plus one
 * (ZvEngineFailure), so that 0 stays "done". */
enum {
    ZV_ENGINE_OK = 0,
    ZV_ENGINE_WRONG_VERSION = -1, /* the tables differ: the module is of another interface */
    ZV_ENGINE_WRONG_BUILD = -2,   /* the module comes from another build of the program */
    ZV_ENGINE_BAD_ARGUMENT = -3,
};

/* The media error kinds, in the order of media::MediaErrorKind, each plus one. */
enum ZvEngineFailure {
    ZV_FAIL_NO_DEVICE = 1,
    ZV_FAIL_FILE_NOT_FOUND,
    ZV_FAIL_PATH_NOT_FOUND,
    ZV_FAIL_ACCESS_DENIED,
    ZV_FAIL_NOT_MEDIA_FILE,
    ZV_FAIL_UNRECOGNISED,
    ZV_FAIL_NOT_PLAYABLE,
    ZV_FAIL_MISSING_PLUGIN,
    ZV_FAIL_MISSING_SOUND_FONT,
    ZV_FAIL_TIMEOUT,
    ZV_FAIL_UNKNOWN,
};

/* media::MediaMode and media::PlayEnd, as numbers. */
enum { ZV_MODE_NOT_OPEN, ZV_MODE_OPENING, ZV_MODE_STOPPED, ZV_MODE_PLAYING, ZV_MODE_PAUSED };
enum { ZV_PLAY_END_REACHED, ZV_PLAY_END_ABORTED };
enum { ZV_SEEK_TO_START, ZV_SEEK_EXACT, ZV_SEEK_NEARBY };

/* A video frame, 32 bits a pixel (0xffRRGGBB in native order). The receiver owns it from the
 * call on and calls release(owner) exactly once when done with the pixels. */
typedef struct ZvEngineFrame {
    const unsigned char* bits;
    int width;
    int height;
    int bytes_per_line;
    void* owner;
    void (*release)(void* owner);
} ZvEngineFrame;

/* What the module asks of the program for one device: where its results go. Copied at
 * create; `context` is handed back with every call. Callbacks must not throw. */
typedef struct ZvEngineEvents {
    void* context;
    void (*opened)(void* context);
    void (*open_failed)(void* context, int failure, const char* detail_utf8);
    void (*length_changed)(void* context, int ms);
    /* Called only while a video output is wanted (set_video_output). */
    void (*present_frame)(void* context, ZvEngineFrame frame);
    void (*set_display_rect)(void* context, int x, int y, int width, int height);
    void (*clear_video)(void* context);
} ZvEngineEvents;

/* Told when a play ends: ended(context, ZV_PLAY_END_...) at most once, queued, then
 * release(context) exactly once (also when the notification is dropped, as on close). */
typedef struct ZvPlayNotification {
    void* context;
    void (*ended)(void* context, int reason);
    void (*release)(void* context);
} ZvPlayNotification;

/* Who is asking: the program's interface version and build identity. */
typedef struct ZvEngineHost {
    uint32_t interface_version;
    uint32_t size; /* sizeof(ZvEngineHost) */
    const char* build_identity;
} ZvEngineHost;

typedef struct ZvEngineDevice ZvEngineDevice;

/* What the module gives back. Functions returning int return ZV_ENGINE_OK or a
 * ZvEngineFailure; those of media::MediaDevice that cannot fail return nothing. */
typedef struct ZvEngine {
    uint32_t interface_version;
    uint32_t size; /* sizeof(ZvEngine) */
    const char* build_identity;

    /* Starts the engine (its plug-in registry) ahead of a first open; any thread. */
    void (*start)(void);
    ZvEngineDevice* (*create)(const ZvEngineEvents* events);
    void (*destroy)(ZvEngineDevice* device);

    int (*open)(ZvEngineDevice* device, const char* path, size_t path_length);
    int (*play)(ZvEngineDevice* device, ZvPlayNotification notification);
    int (*stop)(ZvEngineDevice* device);
    int (*seek)(ZvEngineDevice* device, int how, int ms);
    void (*close)(ZvEngineDevice* device);

    int (*position)(const ZvEngineDevice* device);
    int (*length)(const ZvEngineDevice* device, int* ms);
    int (*mode)(const ZvEngineDevice* device);
    void (*natural_video_size)(const ZvEngineDevice* device, int* width, int* height);
    int (*is_open)(const ZvEngineDevice* device);
    int (*has_video)(const ZvEngineDevice* device);
    int (*can_play)(const ZvEngineDevice* device);

    void (*set_display_rect)(ZvEngineDevice* device, int x, int y, int width, int height);
    void (*set_video_output)(ZvEngineDevice* device, int wanted);
} ZvEngine;

/* The module's one exported symbol. Fills `engine` and returns ZV_ENGINE_OK when the host is
 * of this interface version and build; otherwise returns why and leaves `engine` alone. */
typedef int (*ZvEngineEntry)(const ZvEngineHost* host, ZvEngine* engine);

#ifdef __cplusplus
}
#endif
