# The module, its host-side tools and its tests, for 32-bit Windows.

enable_language(RC)

add_compile_definitions(UNICODE _UNICODE WIN32_LEAN_AND_MEAN NOMINMAX _WIN32_WINNT=0x0601)

# Everything the DLL holds, as a library, so that in-process tests can link the page directly.
add_library(page_win STATIC
  controls/window_impl.cpp
  controls/vin_wnd.cpp
  page/mobile_info_wnd.cpp
  page/offscreen_buffer.cpp
  page/page_views.cpp
  page/page_elements.cpp
  page/page_accessible.cpp
  page/page_keyboard.cpp
  imaging/ximage_win.cpp
  imaging/draw_base.cpp
  picture/download_thread.cpp
  picture/network_check.cpp
  picture/http_download.cpp
  picture/url_fetch.cpp
  picture/picture_cache.cpp
  picture/cache_sweep.cpp
  controls/control_tooltip.cpp
  controls/vin_button.cpp
  controls/vin_hyperlink.cpp
  controls/vin_progress_bar.cpp
  controls/vin_battery.cpp
  controls/mobile_icon.cpp
  util/module_handle.cpp
)
# oleacc is loaded at run time by the page (page/page_accessible.cpp), never imported. Downloads
# go through winhttp; wininet only tells whether the machine is online.
target_link_libraries(page_win PUBLIC page_core page_image comctl32 gdi32 user32 winhttp wininet iphlpapi shlwapi ole32 oleaut32 uuid)
target_compile_options(page_win PRIVATE ${PAGE_STRICT_FLAGS})

add_library(MobileInfoPage SHARED
  module/page_module.cpp
  module/page_module.def
  resources/page_resources.rc
)
# windres finds the PNG files through the include path; Ninja must know it reads them.
target_include_directories(MobileInfoPage PRIVATE ${CMAKE_CURRENT_SOURCE_DIR}/resources)
file(GLOB PAGE_PNGS CONFIGURE_DEPENDS ${CMAKE_CURRENT_SOURCE_DIR}/resources/png/*.png)
set_source_files_properties(resources/page_resources.rc PROPERTIES OBJECT_DEPENDS "${PAGE_PNGS}")
set_target_properties(MobileInfoPage PROPERTIES PREFIX "")
target_link_libraries(MobileInfoPage PRIVATE page_win)
target_compile_options(MobileInfoPage PRIVATE ${PAGE_STRICT_FLAGS})

# Tests that drive the real DLL the way a host and the phone service do; a screen reader's
# view of it comes through oleacc.
add_executable(page_dll_tests
  testing/test_support.cpp
  tests/lifecycle_test.cpp
  tests/phone_data_test.cpp
  tests/paint_test.cpp
  tests/views_test.cpp
  tests/links_test.cpp
  tests/accessibility_test.cpp
)
target_include_directories(page_dll_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(page_dll_tests PRIVATE page_core page_image gtest_main gdi32 user32 oleacc ole32 oleaut32 uuid)
target_compile_options(page_dll_tests PRIVATE ${PAGE_STRICT_FLAGS})
add_dependencies(page_dll_tests MobileInfoPage)
gtest_discover_tests(page_dll_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# Tests that need the page's inner state link the page code itself instead of the DLL.
add_executable(page_internal_tests
  testing/test_support.cpp
  testing/in_process_main.cpp
  page/tests/page_state_test.cpp
  page/tests/control_host_test.cpp
  page/tests/page_controls_test.cpp
  page/tests/keyboard_test.cpp
)
target_include_directories(page_internal_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(page_internal_tests PRIVATE page_win gtest oleacc)
target_compile_options(page_internal_tests PRIVATE ${PAGE_STRICT_FLAGS})
gtest_discover_tests(page_internal_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# Image loading and drawing through real device contexts, with a PNG resource of its own.
add_executable(image_win_tests
  imaging/tests/image_draw_test.cpp
  imaging/tests/image_load_test.cpp
  imaging/tests/image_test_resources.rc
)
target_include_directories(image_win_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/imaging/tests)
target_link_libraries(image_win_tests PRIVATE page_win gtest_main)
target_compile_options(image_win_tests PRIVATE ${PAGE_STRICT_FLAGS})
gtest_discover_tests(image_win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# The DLL imports system DLLs only and exports exactly the four entry points.
add_test(NAME dll_imports_and_exports
  COMMAND ${CMAKE_COMMAND} -DDLL=$<TARGET_FILE:MobileInfoPage> -DOBJDUMP=i686-w64-mingw32-objdump
          -P ${CMAKE_CURRENT_SOURCE_DIR}/tests/check_dll.cmake)

# The pictures inside the built module, read back from it.
add_executable(resource_tests
  tests/resources_test.cpp
)
target_include_directories(resource_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(resource_tests PRIVATE page_win gtest_main)
target_compile_options(resource_tests PRIVATE ${PAGE_STRICT_FLAGS})
add_dependencies(resource_tests MobileInfoPage)
gtest_discover_tests(resource_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# The controls driven through a host window of the test, with flat-colour pictures of its own
# under the ids the controls load.
add_executable(controls_tests
  testing/in_process_main.cpp
  controls/tests/controls_test_support.cpp
  controls/tests/controls_button_test.cpp
  controls/tests/controls_hyperlink_test.cpp
  controls/tests/controls_bar_battery_test.cpp
  controls/tests/controls_tile_test.cpp
  controls/tests/controls_test_resources.rc
)
target_include_directories(controls_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/controls/tests)
target_link_libraries(controls_tests PRIVATE page_win gtest)
target_compile_options(controls_tests PRIVATE ${PAGE_STRICT_FLAGS})
gtest_discover_tests(controls_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# The model picture: the download worker against the lookup-service stand-in, which the tests
# start themselves with /usr/bin/python3, each with a cache folder of its own. A module of
# its own to unload under a stalled worker, and a second process that forges messages.
add_library(picture_probe SHARED
  picture/tests/picture_probe_dll.cpp
)
set_target_properties(picture_probe PROPERTIES PREFIX "")
target_include_directories(picture_probe PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(picture_probe PRIVATE page_win)
target_compile_options(picture_probe PRIVATE ${PAGE_STRICT_FLAGS})
add_executable(picture_forger
  picture/tests/picture_forger.cpp
)
target_include_directories(picture_forger PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(picture_forger PRIVATE user32)
target_compile_options(picture_forger PRIVATE ${PAGE_STRICT_FLAGS})
add_executable(picture_tests
  testing/in_process_main.cpp
  testing/lookup_stand_in.cpp
  picture/tests/picture_worker_test.cpp
  page/tests/picture_page_test.cpp
  testing/test_support.cpp
  picture/tests/picture_claim_test.cpp
  picture/tests/picture_names_win_test.cpp
  picture/tests/picture_platform_test.cpp
  picture/tests/picture_unload_test.cpp
)
target_include_directories(picture_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(picture_tests PRIVATE PAGE_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
target_link_libraries(picture_tests PRIVATE page_win gtest ws2_32 shell32)
target_compile_options(picture_tests PRIVATE ${PAGE_STRICT_FLAGS})
add_dependencies(picture_tests picture_probe picture_forger)
gtest_discover_tests(picture_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "no_proxy=127.0.0.1")

# The harness: a stand-in host and phone service around the module, for people and scenarios
# (tools/harness/README.md). ./demo runs its main scenario; the tests below keep it honest.
add_library(harness_core STATIC
  tools/harness/event_log.cpp
  tools/harness/pixels.cpp
  tools/harness/record_form.cpp
  tools/harness/scenario.cpp
)
target_link_libraries(harness_core PUBLIC page_core)
target_compile_options(harness_core PRIVATE ${PAGE_STRICT_FLAGS})

add_executable(harness
  tools/harness/harness_main.cpp
  tools/harness/contact_sheet.cpp
  tools/harness/host_window.cpp
  tools/harness/mouse_input.cpp
  testing/page_module.cpp
  tools/harness/phone_service.cpp
  tools/harness/png_file.cpp
  tools/harness/scenario_runner.cpp
)
target_include_directories(harness PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(harness PRIVATE harness_core page_png gdi32 user32)
target_link_options(harness PRIVATE -municode)
target_compile_options(harness PRIVATE ${PAGE_STRICT_FLAGS})
add_dependencies(harness MobileInfoPage)

add_executable(harness_tests
  tools/harness/tests/harness_tests.cpp
)
target_link_libraries(harness_tests PRIVATE harness_core gtest_main)
target_compile_options(harness_tests PRIVATE ${PAGE_STRICT_FLAGS})
gtest_discover_tests(harness_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# Scenarios through the real runner: a short one that must pass with the page as it is, one
# whose expectations are false and must fail saying where, one that must not even parse.
function(harness_scenario_test name)
  cmake_parse_arguments(ARG "" "EXIT" "ARGS;EXPECT" ${ARGN})
  string(JOIN "|" args ${ARG_ARGS})
  string(JOIN "@@" expect ${ARG_EXPECT})
  add_test(NAME Harness.${name}
    COMMAND ${CMAKE_COMMAND} -DWINE_RUN=${CMAKE_CROSSCOMPILING_EMULATOR} -DHARNESS=$<TARGET_FILE:harness>
            "-DARGS=${args}" -DEXIT=${ARG_EXIT} "-DEXPECT=${expect}"
            -P ${CMAKE_CURRENT_SOURCE_DIR}/tools/harness/tests/run_harness.cmake
    WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
  set_tests_properties(Harness.${name} PROPERTIES TIMEOUT 120)
endfunction()
set(harness_scenarios ${CMAKE_CURRENT_SOURCE_DIR}/tools/harness/scenarios)
set(harness_cases ${CMAKE_CURRENT_SOURCE_DIR}/tools/harness/tests)
set(harness_out ${CMAKE_CURRENT_BINARY_DIR}/harness-out)
harness_scenario_test(smoke EXIT 0
  ARGS --scenario ${harness_scenarios}/smoke.txt --out ${harness_out}/smoke --sheet ${harness_out}/smoke/contact-sheet.png
  EXPECT "every expectation held")
harness_scenario_test(false_expectations EXIT 1
  ARGS --scenario ${harness_cases}/false_expectations.txt --out ${harness_out}/false
  EXPECT "FAILED false_expectations.txt:9: expect link /page=3 within 300"
         "no \"/page=3\" reached the host's main window in 300 ms"
         "FAILED false_expectations.txt:10: expect pixel 5 5 #FF00FF"
         "the pixel at \\(5,5\\) is #[0-9A-F]+, not #FF00FF"
         "03 still-runs +sent: [^|]*\\| received: [^|]*\\| ok"
         "FAILED false_expectations.txt:17: expect same idle within 200"
         "3 failed in 2 steps")
harness_scenario_test(bad_scenario EXIT 2
  ARGS --check ${harness_cases}/bad_scenario.txt
  EXPECT "bad_scenario.txt: line 4: unknown expectation 'lnk'")

# The Windows benchmark, built by bench/run only (PAGE_BENCH): DrawAt against GdiAlphaBlend,
# page paints against a block copy, a button repaint, start-up. Prints figures; asserts nothing.
if(PAGE_BENCH)
  add_executable(page_win_bench
    bench/win/page_bench.cpp
    bench/bench_images.cpp
    testing/test_support.cpp
  )
  target_include_directories(page_win_bench PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
  target_compile_definitions(page_win_bench PRIVATE PAGE_PNG_DIR="Z:${CMAKE_CURRENT_SOURCE_DIR}/resources/png")
  target_link_libraries(page_win_bench PRIVATE page_win gdi32 user32)
  target_compile_options(page_win_bench PRIVATE ${PAGE_STRICT_FLAGS})
  add_dependencies(page_win_bench MobileInfoPage)
endif()

# The stress program: the real module under random and hostile input from the host, the
# phone service, a forger, the mouse and the network, one line per stress. The suite runs a
# tenth of the counts; --full runs them all (RELIABILITY.md). It starts the lookup
# stand-in itself and forges from a second process, stress_forger.
add_executable(page_stress
  tools/stress/stress_main.cpp
  tools/stress/stress_support.cpp
  tools/stress/stress_page.cpp
  tools/stress/stress_payloads.cpp
  tools/stress/stress_forgery.cpp
  tools/stress/stress_mouse.cpp
  tools/stress/stress_pictures.cpp
  tools/stress/stress_teardown.cpp
  tools/stress/stress_reentry.cpp
  testing/test_support.cpp
  testing/lookup_stand_in.cpp
)
target_include_directories(page_stress PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(page_stress PRIVATE PAGE_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
target_link_libraries(page_stress PRIVATE page_win ws2_32)
target_compile_options(page_stress PRIVATE ${PAGE_STRICT_FLAGS})
add_executable(stress_forger
  tools/stress/stress_forger.cpp
)
target_include_directories(stress_forger PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(stress_forger PRIVATE user32)
target_compile_options(stress_forger PRIVATE ${PAGE_STRICT_FLAGS})
add_dependencies(page_stress MobileInfoPage stress_forger)
add_test(NAME Stress.bounded
  COMMAND ${CMAKE_CURRENT_SOURCE_DIR}/cmake/wine-run $<TARGET_FILE:page_stress>
  WORKING_DIRECTORY ${CMAKE_CURRENT_BINARY_DIR})
set_tests_properties(Stress.bounded PROPERTIES TIMEOUT 600 ENVIRONMENT "no_proxy=127.0.0.1")
