/* The exported C functions, called from C, on this system's services: no
 * biometric hardware and an in-memory keychain shared by the whole process. */
#include "biometric_auth/biometric_auth.h"

#include <stdio.h>
#include <string.h>

static int failures = 0;

#define CHECK(condition)                                                 \
  do {                                                                   \
    if (!(condition)) {                                                  \
      fprintf(stderr, "%s:%d: failed: %s\n", __FILE__, __LINE__, #condition); \
      ++failures;                                                        \
    }                                                                    \
  } while (0)

enum { UNSET = 12345 };

static void no_hardware_means_not_available(void) {
  int32_t available = UNSET, type = UNSET, error = UNSET;
  CHECK(biometric_is_available(&available, &type, &error) == 0);
  CHECK(available == 0);
  CHECK(type == 0);
  CHECK(error == -7);
}

static void authenticate_without_hardware_fails(void) {
  int32_t error = UNSET;
  CHECK(biometric_authenticate(NULL, &error) == 0);
  CHECK(error == -7);
  error = UNSET;
  CHECK(biometric_authenticate("Unlock", &error) == 0);
  CHECK(error == -7);
}

static void store_refuses_null_arguments(void) {
  int32_t success = UNSET;
  CHECK(biometric_store_keychain(NULL, "value", &success) == -50);
  CHECK(success == 0);
  success = UNSET;
  CHECK(biometric_store_keychain("c-null-value", NULL, &success) == -50);
  CHECK(success == 0);
}

static void store_twice_keeps_the_second_value(void) {
  int32_t success = UNSET, length = UNSET;
  char* value = NULL;
  CHECK(biometric_store_keychain("c-twice", "first", &success) == 0);
  CHECK(success == 1);
  success = UNSET;
  CHECK(biometric_store_keychain("c-twice", "second value", &success) == 0);
  CHECK(success == 1);
  CHECK(biometric_retrieve_keychain("c-twice", &value, &length) == 0);
  CHECK(length == 12);
  CHECK(value != NULL && strcmp(value, "second value") == 0);
  biometric_free_string(value);
}

static void retrieve_miss_leaves_the_value_pointer(void) {
  char sentinel = 'x';
  char* value = &sentinel;
  int32_t length = UNSET;
  CHECK(biometric_retrieve_keychain("c-never-stored", &value, &length) == -1);
  CHECK(length == 0);
  CHECK(value == &sentinel);
  length = UNSET;
  CHECK(biometric_retrieve_keychain(NULL, &value, &length) == -1);
  CHECK(length == 0);
  CHECK(value == &sentinel);
}

static void delete_succeeds_for_present_and_missing_keys(void) {
  int32_t success = UNSET, length = UNSET;
  char* value = NULL;
  CHECK(biometric_store_keychain("c-delete", "gone soon", &success) == 0);
  success = UNSET;
  CHECK(biometric_delete_keychain("c-delete", &success) == 0);
  CHECK(success == 1);
  CHECK(biometric_retrieve_keychain("c-delete", &value, &length) == -1);
  CHECK(value == NULL);
  success = UNSET;
  CHECK(biometric_delete_keychain("c-delete", &success) == 0);
  CHECK(success == 1);
  success = UNSET;
  CHECK(biometric_delete_keychain(NULL, &success) == -1);
  CHECK(success == 0);
}

static void free_string_ignores_null(void) { biometric_free_string(NULL); }

int main(void) {
  no_hardware_means_not_available();
  authenticate_without_hardware_fails();
  store_refuses_null_arguments();
  store_twice_keeps_the_second_value();
  retrieve_miss_leaves_the_value_pointer();
  delete_succeeds_for_present_and_missing_keys();
  free_string_ignores_null();
  if (failures != 0) fprintf(stderr, "%d check(s) failed\n", failures);
  return failures == 0 ? 0 : 1;
}
