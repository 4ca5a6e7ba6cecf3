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
  imaging/ximage_win.cpp
  imaging/draw_specific.cpp
  picture/download_thread.cpp
  picture/network_check.cpp
  picture/url_fetch.cpp
  picture/picture_cache.cpp
  controls/control_tooltip.cpp
  controls/vin_button.cpp
  controls/vin_hyperlink.cpp
  controls/vin_progress_bar.cpp
  controls/vin_battery.cpp
  controls/mobile_icon.cpp
)
target_link_libraries(page_win PUBLIC page_core page_image comctl32 gdi32 user32 urlmon wininet iphlpapi shlwapi ole32 uuid)
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

# The demo host: loads the module through its exports and saves a picture of the page.
add_executable(demohost
  tools/demohost/demohost.cpp
  tools/demohost/png_file.cpp
)
target_include_directories(demohost PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(demohost PRIVATE page_png gdi32 user32)
target_link_options(demohost PRIVATE -municode)
target_compile_options(demohost PRIVATE ${PAGE_STRICT_FLAGS})
add_dependencies(demohost MobileInfoPage)

# Tests that drive the real DLL the way a host and the phone service do.
add_executable(page_dll_tests
  tests/win/test_support.cpp
  tests/win/lifecycle_test.cpp
  tests/win/phone_data_test.cpp
  tests/win/paint_test.cpp
  tests/win/views_test.cpp
  tests/win/links_test.cpp
)
target_include_directories(page_dll_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(page_dll_tests PRIVATE page_core page_image gtest_main gdi32 user32)
target_compile_options(page_dll_tests PRIVATE ${PAGE_STRICT_FLAGS})
add_dependencies(page_dll_tests MobileInfoPage)
gtest_discover_tests(page_dll_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# Tests that need the page's inner state link the page code itself instead of the DLL.
add_executable(page_internal_tests
  tests/win/test_support.cpp
  tests/win/internal_main.cpp
  tests/win/page_state_test.cpp
  tests/win/control_host_test.cpp
  tests/win/page_controls_test.cpp
)
target_include_directories(page_internal_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(page_internal_tests PRIVATE page_win gtest)
target_compile_options(page_internal_tests PRIVATE ${PAGE_STRICT_FLAGS})
gtest_discover_tests(page_internal_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# Image loading and drawing through real device contexts, with a PNG resource of its own.
add_executable(image_win_tests
  tests/win/image_draw_test.cpp
  tests/win/image_load_test.cpp
  tests/win/image_test_resources.rc
)
target_include_directories(image_win_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/tests/win)
target_link_libraries(image_win_tests PRIVATE page_win gtest_main)
target_compile_options(image_win_tests PRIVATE ${PAGE_STRICT_FLAGS})
gtest_discover_tests(image_win_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# The DLL imports system DLLs only and exports exactly the four entry points.
add_test(NAME dll_imports_and_exports
  COMMAND ${CMAKE_COMMAND} -DDLL=$<TARGET_FILE:MobileInfoPage> -DOBJDUMP=i686-w64-mingw32-objdump
          -P ${CMAKE_CURRENT_SOURCE_DIR}/cmake/check_dll.cmake)

# The pictures inside the built module, read back from it.
add_executable(resource_tests
  tests/win/resources_test.cpp
)
target_include_directories(resource_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(resource_tests PRIVATE page_win gtest_main)
target_compile_options(resource_tests PRIVATE ${PAGE_STRICT_FLAGS})
add_dependencies(resource_tests MobileInfoPage)
gtest_discover_tests(resource_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# The controls driven through a host window of the test, with flat-colour pictures of its own
# under the ids the controls load.
add_executable(controls_tests
  tests/win/internal_main.cpp
  tests/win/controls_test_support.cpp
  tests/win/controls_button_test.cpp
  tests/win/controls_hyperlink_test.cpp
  tests/win/controls_bar_battery_test.cpp
  tests/win/controls_tile_test.cpp
  tests/win/controls_test_resources.rc
)
target_include_directories(controls_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR} ${CMAKE_CURRENT_SOURCE_DIR}/tests/win)
target_link_libraries(controls_tests PRIVATE page_win gtest)
target_compile_options(controls_tests PRIVATE ${PAGE_STRICT_FLAGS})
gtest_discover_tests(controls_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60)

# The model picture: the download worker against the lookup-service stand-in, which the tests
# start themselves with /usr/bin/python3, each with a cache folder of its own. A module of
# its own to unload under a stalled worker, and a second process that forges messages.
add_library(picture_probe SHARED
  tests/win/picture_probe_dll.cpp
)
set_target_properties(picture_probe PROPERTIES PREFIX "")
target_include_directories(picture_probe PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(picture_probe PRIVATE page_win)
target_compile_options(picture_probe PRIVATE ${PAGE_STRICT_FLAGS})
add_executable(picture_forger
  tests/win/picture_forger.cpp
)
target_include_directories(picture_forger PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_link_libraries(picture_forger PRIVATE user32)
target_compile_options(picture_forger PRIVATE ${PAGE_STRICT_FLAGS})
add_executable(picture_tests
  tests/win/internal_main.cpp
  tests/win/picture_test_support.cpp
  tests/win/picture_worker_test.cpp
  tests/win/picture_page_test.cpp
  tests/win/test_support.cpp
  tests/win/picture_claim_test.cpp
  tests/win/picture_names_win_test.cpp
  tests/win/picture_platform_test.cpp
  tests/win/picture_unload_test.cpp
)
target_include_directories(picture_tests PRIVATE ${CMAKE_CURRENT_SOURCE_DIR})
target_compile_definitions(picture_tests PRIVATE PAGE_SOURCE_DIR="${CMAKE_CURRENT_SOURCE_DIR}")
target_link_libraries(picture_tests PRIVATE page_win gtest ws2_32)
target_compile_options(picture_tests PRIVATE ${PAGE_STRICT_FLAGS})
add_dependencies(picture_tests picture_probe picture_forger)
gtest_discover_tests(picture_tests DISCOVERY_MODE PRE_TEST DISCOVERY_TIMEOUT 60
  PROPERTIES ENVIRONMENT "no_proxy=127.0.0.1")
