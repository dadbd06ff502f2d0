# The GStreamer back end against real files made at test time; it plays in real time, so it has
# its own runner and label.
if(TARGET parlevox_gst)
  add_executable(parlevox_media_tests player/GstMediaBackEndTest.cpp)
  target_link_libraries(parlevox_media_tests PRIVATE parlevox_gst PkgConfig::GST GTest::gtest_main)
  gtest_discover_tests(parlevox_media_tests PROPERTIES LABELS media TIMEOUT 60)
endif()
