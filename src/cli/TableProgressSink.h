#pragma once
// The run's progress reports of one delivery, into its row of the batch's
// status table. The window's endings (the delayed close, the banner, the
// wait for Enter) wait for nothing here: the success banner becomes the
// row's last step, so every row's steps end with what the operator is told;
// a refusal or failure already reported its text as the last step.
#include "app/ProgressSink.h"
#include "progress/BannerText.h"
#include "cli/StatusTable.h"

class TableProgressSink : public IProgressSink {
public:
    TableProgressSink(StatusTable& table, size_t index) : m_table(table), m_index(index) {}

    void SetProgress(double fraction, const std::wstring& message) override {
        m_table.AddStep(m_index, fraction, message);
    }
    void CloseAfterDelay() override {}
    void ShowResult(bool success) override {
        if (success) m_table.AddStep(m_index, 1.0, banner::kSuccess);
    }
    void CloseOnEnter() override {}

private:
    StatusTable& m_table;
    size_t m_index;
};
