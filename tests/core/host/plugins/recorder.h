/* A log shared by the host tests and the test plugins: both link this library,
 * so the plugins' records reach the test that loaded them. */
#ifndef KEPLINOR_TEST_RECORDER_H
#define KEPLINOR_TEST_RECORDER_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KP_RECORDER_API __attribute__((visibility("default")))

KP_RECORDER_API void kp_test_record(const char *text);
KP_RECORDER_API size_t kp_test_record_count(void);
/* Copies record i into the buffer (cut to fit); empty text past the end. */
KP_RECORDER_API void kp_test_record_at(size_t i, char *buffer, size_t size);
KP_RECORDER_API void kp_test_record_clear(void);

#ifdef __cplusplus
}
#endif

#endif
