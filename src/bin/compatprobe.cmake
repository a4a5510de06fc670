add_executable(compatprobe ${CMAKE_CURRENT_SOURCE_DIR}/compatprobe.cpp)
target_link_libraries(compatprobe PRIVATE vantoro_core)
biometric_auth_export(compatprobe)
