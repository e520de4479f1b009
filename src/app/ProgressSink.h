#pragma once
// What the upgrade run tells the operator. The progress window implements
// it on Windows; tests record the calls.
#include <string>

class IProgressSink {
public:
    virtual ~IProgressSink() = default;
    // A step: the bar's fraction (0..1) and the line under it.
    virtual void SetProgress(double fraction, const std::wstring& message) = 0;
    // Closes the window by itself about 4 s later (a refused pack).
    virtual void CloseAfterDelay() = 0;
    // Replaces the picture by the result banner.
    virtual void ShowResult(bool success) = 0;
    // From now on Enter closes the window.
    virtual void CloseOnEnter() = 0;
};
