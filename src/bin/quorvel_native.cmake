# quorvel-native links only the native messaging library, none of the vault code.
add_executable(quorvel-native ${CMAKE_CURRENT_LIST_DIR}/quorvel_native.cpp)
target_link_libraries(quorvel-native PRIVATE vantoro_native_messaging)
biometric_auth_export(quorvel-native)
