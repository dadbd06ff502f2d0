#pragma once

#include <optional>

namespace pvx {

// What a media back end's graph remembers of its track's time, apart from the platform: the
// length once known, the last position the platform told, and the end once it is reached. Once
// the track has ended, position and duration both read the end, exactly and for good, until the
// position is moved. Each end is told to the graph's owner once (takeNewEnd).
class TrackTimeline {
 public:
  bool durationKnown() const { return durationKnown_; }
  double length() const { return length_; }
  void setLength(double seconds) {
    length_ = seconds;
    durationKnown_ = true;
  }

  bool ended() const { return ended_; }
  double endPosition() const { return endPosition_; }
  // From here on position and duration both read end.
  void latchEnd(double end) {
    if (!ended_)
      endTold_ = false;
    ended_ = true;
    endPosition_ = end;
  }
  // True once for each end: the end that the graph's owner has not been told of yet.
  bool takeNewEnd() {
    if (!ended_ || endTold_)
      return false;
    endTold_ = true;
    return true;
  }
  // Where a track that has just played out ends: its length, or how far it really got when the
  // length was underestimated.
  double endOfStream() const {
    const double known = durationKnown_ ? length_ : 0.0;
    return lastPosition_ > known ? lastPosition_ : known;
  }

  // The duration to report: the end once ended, else the length when known.
  std::optional<double> duration() const {
    if (ended_)
      return endPosition_;
    if (durationKnown_)
      return length_;
    return std::nullopt;
  }
  // Records a position the platform told (nothing when it could not say); returns the last known.
  double report(std::optional<double> position) {
    if (position)
      lastPosition_ = *position;
    return lastPosition_;
  }

  // A move of the position to seconds (negative is 0). True when it lands on or past the known
  // end: the track has then ended there, as if it had played to it.
  bool moveEndsTrack(double& seconds) {
    if (seconds < 0)
      seconds = 0;
    if (!durationKnown_ || seconds < length_)
      return false;
    latchEnd(length_);
    return true;
  }
  // The position was moved to seconds.
  void moved(double seconds) {
    ended_ = false;
    endTold_ = false;
    lastPosition_ = seconds;
  }

 private:
  bool durationKnown_ = false;
  double length_ = 0;
  bool ended_ = false;
  bool endTold_ = false;
  double endPosition_ = 0;
  double lastPosition_ = 0;
};

}  // namespace pvx
