# The kept fuzz findings (fuzz/regressions/NAME/) replayed through the fuzzers' own harness
# bodies, in both builds. Each harness's case is labelled with the subsystem it feeds.
page_program(fuzz_regression_tests
  ${CMAKE_CURRENT_LIST_DIR}/regressions_test.cpp
  ${CMAKE_CURRENT_LIST_DIR}/png_decode.cpp
  ${CMAKE_CURRENT_LIST_DIR}/phone_record.cpp
  ${CMAKE_CURRENT_LIST_DIR}/byte_size.cpp
  ${CMAKE_CURRENT_LIST_DIR}/profile_text.cpp
  ${CMAKE_CURRENT_LIST_DIR}/http_answer.cpp
)
target_link_libraries(fuzz_regression_tests PRIVATE imaging_core page_core util_core picture_core gtest_main)
foreach(harness_and_label "pngdecode;imaging" "phonerecord;page" "bytesize;util" "profiletext;picture" "httpanswer;picture")
  list(GET harness_and_label 0 harness)
  list(GET harness_and_label 1 label)
  page_discover_tests(fuzz_regression_tests LABEL ${label} FILTER "*/${harness}")
endforeach()
