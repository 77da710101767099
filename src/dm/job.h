// Everything a run works on, owned by the front end (the dialog or the batch program) for the
// program's lifetime: the user's entries, the run's flags, the message log, the correction model,
// and the maker of the DM file correctors that work on them.
#pragma once

#include <memory>

#include "common/message_log.h"
#include "dm/dm_file_corrector.h"
#include "model/correction_model.h"
#include "run/job_settings.h"
#include "run/run_host.h"

// The correction model as the run sees it.
class ModelForRun : public RunModel {
 public:
  explicit ModelForRun(const CorrectionModel& model) : model_(model) {}
  bool isLoaded() const override { return model_.isLoaded(); }

 private:
  const CorrectionModel& model_;
};

// A DM file corrector for each worker of a run, over the job's settings and model.
class DmFileCorrectors : public FileCorrectorFactory {
 public:
  DmFileCorrectors(const JobSettings& settings, const CorrectionModel& model)
      : settings_(settings), model_(model) {}
  std::unique_ptr<FileCorrector> createCorrector() override {
    auto corrector = std::make_unique<DmFileCorrector>(settings_, model_);
    corrector->setDryRun(dryRun_);
    return corrector;
  }

  // The correctors made from now on write nothing (DmFileCorrector::setDryRun).
  void setDryRun(bool dryRun) { dryRun_ = dryRun; }

 private:
  const JobSettings& settings_;
  const CorrectionModel& model_;
  bool dryRun_ = false;
};

struct Job {
  JobSettings settings;
  RunState state;
  MessageLog log;
  CorrectionModel model;
  ModelForRun modelForRun{model};
  DmFileCorrectors correctors{settings, model};
};
