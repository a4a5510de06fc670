/* The biometric bridge's C interface, exported for the desktop application.
 *
 * Every integer is 32-bit signed and every text NUL-terminated UTF-8. Output
 * pointers must be valid; they are not checked. The functions keep nothing
 * between calls; all of them may block the calling thread (authenticate for up
 * to 60 seconds). */
#ifndef BIOMETRIC_AUTH_H
#define BIOMETRIC_AUTH_H

#include <stdint.h>

#if defined(__GNUC__)
#define BIOMETRIC_AUTH_EXPORT __attribute__((visibility("default")))
#else
#define BIOMETRIC_AUTH_EXPORT
#endif

/* Nothing unwinds into a C caller. */
#ifdef __cplusplus
#define BIOMETRIC_AUTH_NOEXCEPT noexcept
extern "C" {
#else
#define BIOMETRIC_AUTH_NOEXCEPT
#endif

/* Returns 0. Stores 1 or 0 for available, the BiometricType raw value (0 none,
 * 1 touchID, 2 faceID, 3 opticID) and the BiometricError raw value. */
BIOMETRIC_AUTH_EXPORT int32_t biometric_is_available(int32_t* available, int32_t* type,
                                                     int32_t* error) BIOMETRIC_AUTH_NOEXCEPT;

/* Prompts with `reason`, or "Authenticate to unlock the vault" when it is NULL.
 * Stores the BiometricError raw value; returns 1 when it is success (0), else 0. */
BIOMETRIC_AUTH_EXPORT int32_t biometric_authenticate(const char* reason,
                                                     int32_t* error) BIOMETRIC_AUTH_NOEXCEPT;

/* Stores `value` under `key`, replacing an earlier value. Returns the keychain
 * status (0 on success) and stores 1 or 0 as success; a NULL key or value, or
 * a value that is not UTF-8, gives -50 with success 0. */
BIOMETRIC_AUTH_EXPORT int32_t biometric_store_keychain(const char* key, const char* value,
                                                       int32_t* success) BIOMETRIC_AUTH_NOEXCEPT;

/* On a hit returns 0, stores a newly allocated NUL-terminated copy of the value
 * (free it with biometric_free_string) and its length in bytes without the NUL.
 * On a NULL key or a miss returns -1, stores 0 as length and leaves *value as
 * it was. */
BIOMETRIC_AUTH_EXPORT int32_t biometric_retrieve_keychain(const char* key, char** value,
                                                          int32_t* length) BIOMETRIC_AUTH_NOEXCEPT;

/* Returns 0 with success 1 when the item was deleted or did not exist; returns
 * -1 with success 0 when deletion failed or `key` is NULL. */
BIOMETRIC_AUTH_EXPORT int32_t biometric_delete_keychain(const char* key,
                                                        int32_t* success) BIOMETRIC_AUTH_NOEXCEPT;

/* Frees a string from biometric_retrieve_keychain; NULL is ignored. */
BIOMETRIC_AUTH_EXPORT void biometric_free_string(char* string) BIOMETRIC_AUTH_NOEXCEPT;

#ifdef __cplusplus
}
#endif

#endif /* BIOMETRIC_AUTH_H */
