// Message boxes recorded instead of shown while an instance lives: their texts in order, each
// answered with `answer`.
#pragma once

#include <string>
#include <vector>

#include "common/MessageBox.h"

namespace zq::test {

class RecordedBoxes {
 public:
  RecordedBoxes();
  ~RecordedBoxes();
  RecordedBoxes(const RecordedBoxes&) = delete;
  RecordedBoxes& operator=(const RecordedBoxes&) = delete;

  std::vector<std::string> texts;
  int answer = kIdOk;

 private:
  MessageBoxFunction previous_ = nullptr;
};

}  // namespace zq::test
