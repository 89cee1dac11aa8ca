// The in-memory client data set as the windows hold it: field definitions,
// opened and emptied, and in-memory rows (DataSets.h).
#pragma once

#include "platform/forms/DataSets.h"

class TClientDataSet : public TDataSet {
  SK_CLASS(TClientDataSet, TDataSet)
public:
  using TDataSet::TDataSet;
  void CreateDataSet() { Open(); }
  /// Removes every record; the definitions stay.
  void EmptyDataSet() override {
    TDataSet::EmptyDataSet();
    ++emptied_;
  }
  int EmptiedCount() const { return emptied_; }

private:
  int emptied_ = 0;
};
