#pragma once

#include "appkit/NSView.h"
#include "appkit/NSViewController.h"

#include <string>
#include <vector>

// Writes "<name> <call>" for each life-cycle call it gets.
class RecordingViewController : public NSViewController {
    KS_OBJECT(RecordingViewController, NSViewController)
public:
    RecordingViewController(std::string name, std::vector<std::string>& log)
        : name_(std::move(name))
        , log_(log)
    {
    }

    void loadView() override
    {
        log_.push_back(name_ + " loadView");
        NSViewController::loadView();
    }
    void viewDidLoad() override { log_.push_back(name_ + " viewDidLoad"); }
    void viewWillAppear() override { log_.push_back(name_ + " viewWillAppear"); }
    void viewDidAppear() override { log_.push_back(name_ + " viewDidAppear"); }
    void viewWillDisappear() override { log_.push_back(name_ + " viewWillDisappear"); }
    void viewDidDisappear() override { log_.push_back(name_ + " viewDidDisappear"); }

private:
    std::string name_;
    std::vector<std::string>& log_;
};
