#pragma once

#include <gst/gst.h>

#include <cmath>
#include <filesystem>
#include <string>

// Audio files made at test time with GStreamer's own elements, for the back end's tests.
namespace pvx::testing {

// Runs a pipeline written as for gst-launch to its end; false when it fails.
inline bool runPipeline(const std::string& description) {
  GstElement* pipeline = gst_parse_launch(description.c_str(), nullptr);
  if (pipeline == nullptr)
    return false;
  gst_element_set_state(pipeline, GST_STATE_PLAYING);
  GstBus* bus = gst_element_get_bus(pipeline);
  GstMessage* message = gst_bus_timed_pop_filtered(
      bus, 20 * GST_SECOND, static_cast<GstMessageType>(GST_MESSAGE_EOS | GST_MESSAGE_ERROR));
  const bool ended = message != nullptr && GST_MESSAGE_TYPE(message) == GST_MESSAGE_EOS;
  if (message != nullptr)
    gst_message_unref(message);
  gst_object_unref(bus);
  gst_element_set_state(pipeline, GST_STATE_NULL);
  gst_object_unref(pipeline);
  return ended;
}

// Writes seconds of a test tone (44.1 kHz stereo) through the encoder into file.
inline bool makeTone(double seconds, const std::string& encoder,
                     const std::filesystem::path& file) {
  return runPipeline("audiotestsrc num-buffers=" + std::to_string(std::lround(seconds * 100)) +
                     " samplesperbuffer=441 ! audio/x-raw,rate=44100,channels=2 ! audioconvert ! " +
                     encoder + " ! filesink location=\"" + file.string() + "\"");
}

}  // namespace pvx::testing
