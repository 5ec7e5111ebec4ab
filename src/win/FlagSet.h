// A flag that says "inside this" for exactly as long as a scope runs, also when it is left by an
// exception: the guard of work that pumps messages and must not be entered again from them.
#pragma once

namespace win {

class TFlagSet {
public:
  explicit TFlagSet(bool& flag) noexcept : flag_(flag) { flag_ = true; }
  ~TFlagSet() { flag_ = false; }
  TFlagSet(const TFlagSet&) = delete;
  TFlagSet& operator=(const TFlagSet&) = delete;

private:
  bool& flag_;
};

}  // namespace win
