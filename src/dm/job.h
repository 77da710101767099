// Everything a run works on, owned by the front end (the dialog or the batch program) for the
// program's lifetime: the user's entries, the run's flags, the message log, the correction model,
// and the DM file corrector that works on them.
#pragma once

#include "common/message_log.h"
#include "dm/dm_file_corrector.h"
#include "model/correction_model.h"
#include "run/job_settings.h"
#include "run/run_host.h"

// The correction model as the run sees it.
class ModelForRun : public RunModel {
 public:
  explicit ModelForRun(CorrectionModel& model) : model_(model) {}
  bool isLoaded() const override { return model_.isLoaded(); }
  void setZone(int zone) override { model_.setZone(zone); }

 private:
  CorrectionModel& model_;
};

struct Job {
  JobSettings settings;
  RunState state;
  MessageLog log;
  CorrectionModel model;
  ModelForRun modelForRun{model};
  DmFileCorrector corrector{settings, state, log, model};
};
