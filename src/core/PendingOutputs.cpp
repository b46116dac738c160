#include "core/PendingOutputs.h"

#include <exception>

namespace glyphon {

void CloseAllSinks(std::vector<std::unique_ptr<UnitSink>>& sinks) {
    std::exception_ptr first;
    for (auto& sink : sinks) {
        try {
            sink->Close();
        } catch (const std::exception&) {
            if (!first) first = std::current_exception();
        }
    }
    if (first) std::rethrow_exception(first);
}

PendingOutputs::PendingOutputs(std::vector<std::unique_ptr<UnitSink>> sinks, std::unique_ptr<StagedFile> help)
    : sinks_(std::move(sinks)), help_(std::move(help)) {}

PendingOutputs::~PendingOutputs() { Discard(); }

void PendingOutputs::Commit() {
    if (done_) return;
    done_ = true;
    // The set is put in place whole: a signal meanwhile waits for the end.
    OutputsCommitting committing;
    try {
        CloseAllSinks(sinks_);
        if (help_) help_->Commit();
    } catch (...) {
        for (auto& sink : sinks_) sink->Discard();
        if (help_) help_->Discard();
        throw;
    }
}

void PendingOutputs::Discard() {
    if (done_) return;
    done_ = true;
    for (auto& sink : sinks_) sink->Discard();
    if (help_) help_->Discard();
}

}  // namespace glyphon
