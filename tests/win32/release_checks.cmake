# What a release build promises about the exe itself: one version everywhere, and its signature.
add_executable(version_check tests/win32/version_check.cpp)
target_link_libraries(version_check PRIVATE qs_windows_headers version)
target_link_options(version_check PRIVATE ${QS_STATIC_LINK} -municode)
qs_warnings(version_check)
add_test(NAME program_version COMMAND version_check $<TARGET_FILE:run_this_first> ${QS_VERSION_TEXT})

if(QS_AUTHENTICODE)
  add_test(NAME program_signature
           COMMAND ${OSSLSIGNCODE} verify -CAfile ${QS_AUTHENTICODE_CERT} -in $<TARGET_FILE:run_this_first>)
endif()
