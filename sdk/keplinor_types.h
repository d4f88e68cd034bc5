/*
 * Keplinor plugin SDK: the basic types of the plugin boundary.
 *
 * Every value that crosses between the core and a plugin has one of these
 * kinds. Usable from C11 and C++.
 */
#ifndef KEPLINOR_TYPES_H
#define KEPLINOR_TYPES_H

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* Compile-time check, the same spelling in C and C++. */
#ifdef __cplusplus
#define KP_STATIC_ASSERT(condition, message) static_assert(condition, message)
#else
#define KP_STATIC_ASSERT(condition, message) _Static_assert(condition, message)
#endif

/*
 * A handle: the address of a core record, always below 4 GiB. Opaque unless
 * the SDK gives the record's layout (keplinor_records.h); 0 is "none".
 */
typedef uint32_t kp_handle;

/*
 * A native window id (an X11 window id, 32 bits): what "sWindowHandle" and
 * "sHWND" pass, e.g. (kp_window)widget->winId() of a plugin's own Qt widget.
 */
typedef uint32_t kp_window;

/*
 * A boolean: a 32-bit slot of which only the low byte counts. Read one that
 * the core passes with kp_is_true(); pass KP_TRUE or KP_FALSE.
 */
typedef int32_t kp_bool;

#define KP_FALSE 0
#define KP_TRUE 1

static inline int kp_is_true(kp_bool value) { return (value & 0xFF) != 0; }

/*
 * A text inside a record: the address, below 4 GiB, of a NUL-terminated
 * UTF-8 text that the core owns; 0 reads as empty text (kp_text() in
 * keplinor_records.h).
 */
typedef uint32_t kp_text32;

/*
 * A GUID in its binary form: 32-bit, 16-bit and 16-bit little-endian numbers,
 * then 8 bytes. Passed by value where a function or event takes a GUID.
 */
typedef struct kp_guid {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} kp_guid;

KP_STATIC_ASSERT(sizeof(kp_handle) == 4, "a handle is 32 bits");
KP_STATIC_ASSERT(sizeof(kp_bool) == 4, "a boolean is a 32-bit slot");
KP_STATIC_ASSERT(sizeof(kp_text32) == 4, "a text field is 32 bits");
KP_STATIC_ASSERT(sizeof(kp_guid) == 16, "a GUID is 16 bytes");
KP_STATIC_ASSERT(offsetof(kp_guid, Data2) == 4, "kp_guid.Data2 at 4");
KP_STATIC_ASSERT(offsetof(kp_guid, Data3) == 6, "kp_guid.Data3 at 6");
KP_STATIC_ASSERT(offsetof(kp_guid, Data4) == 8, "kp_guid.Data4 at 8");

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* KEPLINOR_TYPES_H */
