/*
 * libquellix.so: the HID service library of Quorvane.
 *
 * The program loads it with dlopen() from its own folder and binds the names
 * below with dlsym(). The library matches keyboards by filter records, sends
 * reports to them and hands every incoming report and every change in the
 * number of matching keyboards to a callback, on the library's own threads.
 *
 * Backends, chosen by the environment when Init() runs:
 *   (unset)                 hidraw nodes found with libudev (the real keyboard)
 *   QUELLIX_DEVICE=hidraw:N[,N...]  only the hidraw nodes N (paths), taken as
 *                           one 0C45:5004 keyboard, without hot-plug
 *   QUELLIX_DEVICE=virtual  the emulated keyboard firmware
 *   QUELLIX_DEVICE=replay:F answers from a recording F (see QUELLIX_RECORD)
 *   QUELLIX_RECORD=F        writes every report out and in and every presence
 *                           change, with times, as JSON lines (any backend);
 *                           F is readable by its owner only (mode 0600)
 *   QUELLIX_VIRTUAL_STATE=F keeps the virtual keyboard's memories in F
 *   QUELLIX_VIRTUAL_FRAMES=1      the virtual keyboard's reports travel in
 *                                 1 ms USB frames, one per frame each way
 *   QUELLIX_VIRTUAL_LATENCY_MS=N  it answers N ms (0 to 60000) late
 *                           (a value that is not one of these: Init() fails
 *                           with a line on stderr)
 *
 * The hidraw backend takes the hidraw nodes of a 0C45:5004 device, reads their
 * report descriptors and learns their top-level collections (usage page,
 * usage) and report ids. What the user types stays out of it: the node of the
 * boot keyboard interface (USB interface class 3, protocol 1) is never opened,
 * a node whose collections are all keyboards (0x0001/0x0006) is closed again
 * unread, and the key reports of a keyboard collection on a node it does use
 * are dropped unseen: never passed to a callback, recorded or logged. Reports are routed to
 * collections by report id; a write goes to the node holding the first collection the filter
 * matches. A node that cannot be opened (no permission) gives one line on stderr naming the node
 * and the udev rule 70-quorvane.rules to install, and is reported by QuellixDeviceProblem() for as
 * long as it stays unopenable.
 *
 * The virtual keyboard declares the collections boot keyboard (0x0001/0x0006),
 * consumer control (0x000C/0x0001, report id 3), vendor commands
 * (0xFF1C/0x0092, report id 4) and G-key bank (0x0008/0x0089, report id 5).
 * A state file that cannot be read gives a line on stderr; Init() still
 * succeeds, on the factory state, and the file is never written over.
 * Otherwise the memories are saved there by the firmware after every write
 * it takes (as flash holds each write: a process killed part-way through a
 * transfer leaves the part the keyboard took) and at End() or unload.
 *
 * A replay (QUELLIX_DEVICE=replay:F) starts with the keyboards of F's first
 * line. Each report the program sends must equal the next report out of the
 * recording (collection and bytes); the reports in and presence changes that
 * follow it in F are then delivered at once, up to the next report out. The
 * first difference is written to stderr, counted (QuellixReplayMismatches)
 * and ends the answering: the keyboard then looks silent.
 *
 * Threads. Every callback runs on a library thread, never on the caller's:
 * the hidraw backend has one reader thread (polls the nodes, the udev monitor
 * and a wake-up eventfd; delivers reports and presence changes) and one
 * writer thread (writes reports, delivers write completions); the virtual and
 * replay backends have one worker thread that does both. Writes only queue,
 * so a callback may call any function of the library but End(). No library
 * lock is held while a callback runs. A request cancelled while one of its
 * callbacks is running lets that call finish.
 *
 * Record layouts. The original layouts were fixed for 32-bit pointers; the
 * fields and their order are kept, with the natural alignment of a 64-bit
 * build (pointers are 8 bytes and 8-aligned, so the consumer holder's report
 * pointer moves from +28 to +32).
 */
#ifndef QUELLIX_H
#define QUELLIX_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* A C header: typedefs stay. NOLINTBEGIN(modernize-use-using) */

#define QUELLIX_ABI_VERSION 1u

/* Bits of the filter's mask: which fields must match. A clear bit matches
 * anything in that field. */
#define QUELLIX_MATCH_VENDOR 0x1u
#define QUELLIX_MATCH_PRODUCT 0x2u
#define QUELLIX_MATCH_USAGE_PAGE 0x4u
#define QUELLIX_MATCH_USAGE 0x8u
#define QUELLIX_MATCH_ALL 0x0000000Fu /* vendor, product, usage page, usage */

/* Filter record, 16 bytes. */
typedef struct QuellixFilter {
    uint32_t mask;      /* +0: QUELLIX_MATCH_ALL */
    uint16_t vendorId;  /* +4: 0x0C45 */
    uint16_t productId; /* +6: 0x5004 */
    uint16_t usagePage; /* +8 */
    uint16_t usage;     /* +10 */
    uint32_t reserved;  /* +12: zero */
} QuellixFilter;

struct QuellixEvent;
/* Called on a library thread for every matching report and presence change.
 * Returns 1. */
typedef int (*QuellixCallback)(const struct QuellixEvent* event);

/* Request descriptor: the filter, then the callback and the tag. For the unit
 * id the callback field counts as 4 bytes (its low 32 bits) and the tag as 4. */
typedef struct QuellixRequestDescriptor {
    QuellixFilter filter;
    QuellixCallback callback;
    uint32_t tag;
} QuellixRequestDescriptor;

/* Holder through which a consumer report is reached: its first u16 is the
 * consumer code (the collection's report-id byte removed). */
typedef struct QuellixReportHolder {
    uint32_t reserved[7];  /* +0 .. +27 */
    const uint8_t* report; /* +32 (was +28 with 32-bit pointers) */
    uint32_t length;       /* bytes at `report` */
} QuellixReportHolder;

/* Request record R. Valid only during the callback. For kind 1, `data` holds
 * the whole report as it travelled, report id first when the collection
 * numbers its reports (a command answer is the whole 64-byte frame, byte 0 =
 * 0x04); `consumer` is set only for collections of the consumer page 0x000C
 * and points past the report id. For a write completion, `data` is the report
 * that went out. For kind 0, `count` is the new number of keyboards that
 * match the request's filter and `data` is null. */
typedef struct QuellixRequestRecord {
    uint32_t tag;                        /* +0: the request's tag */
    uint32_t count;                      /* +4: bytes (kind 1) or matching keyboards (kind 0) */
    const uint8_t* data;                 /* +8 */
    const QuellixReportHolder* consumer; /* +16 */
} QuellixRequestRecord;

#define QUELLIX_EVENT_PRESENCE 0u
#define QUELLIX_EVENT_REPORT 1u

/* Event record. */
typedef struct QuellixEvent {
    uint32_t kind;                       /* +0: QUELLIX_EVENT_REPORT or QUELLIX_EVENT_PRESENCE */
    const QuellixRequestRecord* request; /* +8 */
} QuellixEvent;

/* ---- The twelve bound names, in binding order. -------------------------- */

/* Sets the library's diagnostic level (0 = quiet, 1 = errors on stderr,
 * 2 = every report but key presses). Returns the previous level. */
int Debug(int level);

/* Starts the library (backend, threads, hot-plug monitor). Takes 0 (ignored).
 * Returns 1 on success, also when no keyboard is attached; 0 when the backend
 * cannot start (unknown QUELLIX_DEVICE, unreadable recording, no libudev),
 * with the reason on stderr. The keyboards present are known when it
 * returns. A second call returns 1 and does nothing. */
int Init(int flags);

/* Cancels every request, stops and joins the library's threads and closes
 * its files; no callback runs once it has returned. Init() may be called
 * again afterwards. Returns 1 (0 when not started). Must not be called from
 * within a callback. */
int End(void);

/* Number of attached keyboards with a collection the filter matches
 * (0 = none, or not started). In the arguments of every request `unit` is
 * accepted and not checked; the callback and tag of this one are ignored. */
int RequestGetDeviceCount(const QuellixFilter* filter, QuellixCallback callback, uint32_t tag,
                          uint32_t unit, uint32_t* id);

/* Cancels the standing read with this id. Returns 1 when one was cancelled,
 * 0 when no such read exists (an id of 0 is always 0). */
int DeleteRequestFromUnitId(uint32_t id);

/* Cancels every standing request registered with this callback. Returns the
 * number cancelled. */
int DeleteRequestFromHandle(QuellixCallback callback);

/* Queues an output report of `length` bytes (1 to 64, report id first) to the
 * keyboard that holds the filter's collection, and returns at once; when
 * `callback` is set it is called once, on a library thread, with kind 1, the
 * tag and count = bytes written after the report went out. Writes a request
 * id to `id` when not null. Returns 1 when queued, 0 when not (bad arguments,
 * no matching collection, not started, more than a few thousand reports
 * waiting). The answer, if any, reaches the standing reads. */
int RequestWrite(const QuellixFilter* filter, QuellixCallback callback, uint32_t tag,
                 const uint8_t* data, uint32_t length, uint32_t unit, uint32_t* id);

/* The same as RequestWrite: queues one report and never waits. */
int RequestWriteOne(const QuellixFilter* filter, QuellixCallback callback, uint32_t tag,
                    const uint8_t* data, uint32_t length, uint32_t unit, uint32_t* id);

/* The same as RequestWrite, for short reports such as the two-byte bank
 * report 05 xx. */
int RequestStatusWrite(const QuellixFilter* filter, QuellixCallback callback, uint32_t tag,
                       const uint8_t* data, uint32_t length, uint32_t unit, uint32_t* id);

/* Copies the last input report seen on a collection the filter matches into
 * `data` (at most `length` bytes, report id first), without waiting. Returns
 * the number of bytes copied, 0 when none was seen since the keyboard came. */
int RequestStatusGet(const QuellixFilter* filter, QuellixCallback callback, uint32_t tag,
                     uint8_t* data, uint32_t length, uint32_t unit, uint32_t* id);

/* Registers a standing read: every input report of a collection the filter
 * matches, and every change in the number of keyboards the filter matches
 * (counted from the number at registration), is passed to the callback with
 * this tag. A callback is required. Writes the request id (never 0) to `id`.
 * Returns 1 when registered, 0 when not. */
int RequestAsyncRead(const QuellixFilter* filter, QuellixCallback callback, uint32_t tag,
                     uint32_t unit, uint32_t* id);

/* Sends a feature report (1 to 4096 bytes, report id first) to the node that
 * holds the filter's collection and waits until it went out. The callback and
 * tag are not used (no callback runs on the caller's thread). Writes a request
 * id to `id` when not null. Returns 1 when sent, 0 when not (always 0 on the
 * virtual keyboard and in a replay: they have none). */
int RequestStatusSetFeature(const QuellixFilter* filter, QuellixCallback callback, uint32_t tag,
                            const uint8_t* data, uint32_t length, uint32_t unit, uint32_t* id);

/* ---- Beyond the twelve. -------------------------------------------------- */

/* QUELLIX_ABI_VERSION of the library; the program refuses a version it does
 * not know. */
uint32_t QuellixAbiVersion(void);

/* The twelve names and QuellixAbiVersion in binding order, as one list for
 * every table of them: QUELLIX_BOUND_NAMES(X) is X(Debug) X(Init) ... */
/* clang-format off */
#define QUELLIX_BOUND_NAMES(X) \
    X(Debug)                   \
    X(Init)                    \
    X(End)                     \
    X(RequestGetDeviceCount)   \
    X(DeleteRequestFromUnitId) \
    X(DeleteRequestFromHandle) \
    X(RequestWrite)            \
    X(RequestWriteOne)         \
    X(RequestStatusWrite)      \
    X(RequestStatusGet)        \
    X(RequestAsyncRead)        \
    X(RequestStatusSetFeature) \
    X(QuellixAbiVersion)
/* clang-format on */

/* ---- Why an attached keyboard cannot be used. ----------------------------
 *
 * Added within ABI version 1: a program that also runs with an older
 * libquellix.so binds this name optionally and takes a missing one as
 * QUELLIX_PROBLEM_NONE. */

/* Every matching node is open, or none is attached. */
#define QUELLIX_PROBLEM_NONE 0
/* A matching hidraw node is attached but this user may not open it (EACCES or
 * EPERM): the udev rule is not installed, or the keyboard was not plugged in
 * again since it was. */
#define QUELLIX_PROBLEM_NO_ACCESS 1

/* The problem as of the last scan of the nodes (at Init() and at every
 * hot-plug event, which includes the change events of `udevadm trigger`).
 * When `node` is not null and `capacity` is not 0, copies the path of the
 * first node concerned there, cut to fit and always NUL-terminated (empty
 * for QUELLIX_PROBLEM_NONE). A change of the problem alone raises no
 * presence event: ask again when showing it. QUELLIX_PROBLEM_NONE when not
 * started and for the virtual and replay backends. Any thread, also from
 * within a callback. */
int QuellixDeviceProblem(char* node, uint32_t capacity);

/* ---- Why the library last failed. ----------------------------------------
 *
 * Added within ABI version 1, bound optionally like QuellixDeviceProblem. */

/* The text of the library's last failure, from whichever thread it came: an
 * Init() that failed (the same words as its line on stderr), a node that
 * could not be opened or was ignored, a report not sent, a request refused
 * (not started, no matching collection, bad arguments). Kept until the next
 * failure replaces it or Init() starts the library afresh; a success does
 * not clear it. When `text` is not null and `capacity` is not 0, copies it
 * there, cut to fit and always NUL-terminated (empty when there is none).
 * Returns the length of the whole text (0 when none). Any thread, also
 * before Init(), after End() and from within a callback. */
int QuellixLastError(char* text, uint32_t capacity);

/* ---- Which keyboard is attached. ----------------------------------------
 *
 * Added within ABI version 1, bound optionally like QuellixDeviceProblem. */

/* A text that names the attached keyboard across plug-ins and restarts, for
 * records that belong to one keyboard: "serial:<serial number>" where the
 * keyboard has one, else "port:<USB port path>" (the same keyboard in another
 * port reads as another keyboard); "virtual" for the virtual keyboard; "nodes:<first node>" for
 * QUELLIX_DEVICE=hidraw:...; empty when none is attached, in a replay and
 * when not started. Copies it to `text` like QuellixLastError and returns
 * its whole length. Any thread, also from within a callback. */
int QuellixKeyboardIdentity(char* text, uint32_t capacity);

/* ---- Virtual keyboard controls (QUELLIX_DEVICE=virtual). -----------------
 *
 * For tests, benchmarks and demos. Each returns 0 (and does nothing) when the
 * library is not started or runs another backend; otherwise the result given.
 * All may be called from any thread, also from within a callback. Knobs keep
 * their values until changed or until End(). */

/* Memory areas of QuellixVirtualReadMemory / QuellixVirtualWriteMemory. */
#define QUELLIX_AREA_SETTINGS 0u          /* 44 bytes */
#define QUELLIX_AREA_LIGHTING 1u          /* 3 x 42 bytes */
#define QUELLIX_AREA_COLOURS 2u           /* 4 x 512 bytes */
#define QUELLIX_AREA_KEY_TABLES 3u        /* 3 x 378 bytes */
#define QUELLIX_AREA_FACTORY_KEY_TABLE 4u /* 378 bytes */
#define QUELLIX_AREA_MACRO_AREA 5u        /* settings byte 11 x 128 bytes */

/* Delay added before each answer leaves the keyboard, in microseconds
 * (0 = answer at once). Returns 1. */
int QuellixVirtualSetLatencyUs(uint32_t microseconds);

/* 1 turns on the USB frame model: every report out waits for the next 1 ms
 * frame boundary, and every report in (answer or consumer report) for the
 * next boundary after the keyboard produced it, so one exchange costs about
 * two frames. 0 turns it off (the default). Returns 1. */
int QuellixVirtualSetUsbFrames(int enabled);

/* For the count-down knobs below: every one until changed. */
#define QUELLIX_ALWAYS 0xFFFFFFFFu

/* Drops every n-th answer (the keyboard stays silent for it); 0 = never.
 * Counting starts at this call. Returns 1. */
int QuellixVirtualDropEvery(uint32_t n);

/* The next `count` answers echo a wrong command byte (the command + 1; the
 * command still takes effect); QUELLIX_ALWAYS = every answer; 0 = off.
 * Returns 1. */
int QuellixVirtualWrongEcho(uint32_t count);

/* The next `count` commands are refused with `status` (0xFF or 0xFE) and
 * change nothing; QUELLIX_ALWAYS = every command; 0 = off. Returns 1, 0 for
 * another status. */
int QuellixVirtualRefuse(uint8_t status, uint32_t count);

/* Removes the keyboard (presence event with count 0) after it has received
 * `frames` more reports; 0 = off. Returns 1. */
int QuellixVirtualRemoveAfterFrames(uint32_t frames);

/* Plugs the keyboard in / pulls it out; the standing reads get a presence
 * event (on a library thread) when the count changes. When called outside a
 * callback, RequestGetDeviceCount shows the change once they return.
 * Returns 1. */
int QuellixVirtualAttach(void);
int QuellixVirtualRemove(void);

/* Presses the keyboard's own profile key: the next profile becomes active and
 * the keyboard sends consumer code 0x0402. Returns 1, 0 when detached. */
int QuellixVirtualPressProfileKey(void);

/* The keyboard sends a consumer report with this code. Returns 1, 0 when
 * detached. */
int QuellixVirtualRaiseConsumer(uint16_t code);

/* Puts every memory back to the factory state (not saved until the next
 * save point). Returns 1. */
int QuellixVirtualResetFactory(void);

/* Copies `length` bytes of memory `area` from `offset` into `buffer` /
 * from `data` into the memory, bypassing the command checks. Returns the
 * number of bytes copied; 0 when the range does not lie inside the area. */
int QuellixVirtualReadMemory(uint32_t area, uint32_t offset, uint8_t* buffer, uint32_t length);
int QuellixVirtualWriteMemory(uint32_t area, uint32_t offset, const uint8_t* data, uint32_t length);

/* Number of reports the keyboard has received since Init() or the last
 * QuellixVirtualClearFrames() (every collection). */
uint32_t QuellixVirtualFrameCount(void);

/* Copies received report number `index` (0 = first since Init() or the last
 * clear; the most recent 65536 are kept) into `buffer`, at most `capacity`
 * bytes. Returns the report's length, 0 when it is not kept. */
int QuellixVirtualGetFrame(uint32_t index, uint8_t* buffer, uint32_t capacity);

/* Forgets the received reports and sets the count to 0. Returns 1. */
int QuellixVirtualClearFrames(void);

/* ---- Replay (QUELLIX_DEVICE=replay:F). ----------------------------------- */

/* Number of mismatches since Init(): reports the program sent that differ
 * from the recording (after the first the replay stops answering). */
uint32_t QuellixReplayMismatches(void);

/* Number of recorded entries not yet replayed (0 when the whole recording
 * has been played back, or for another backend). */
uint32_t QuellixReplayRemaining(void);

/* NOLINTEND(modernize-use-using) */

#ifdef __cplusplus
}
#endif

#endif /* QUELLIX_H */
