// Command routing of the framework layer. A menu item, toolbar button or accelerator carries a
// command id; the frame offers it to the view, the document, the frame and the application in
// this order, and the first target that has a handler runs it. A command that no target handles
// is shown disabled.
#pragma once

class CCmdTarget {
public:
    virtual ~CCmdTarget() = default;

    // nID: a command id. With bExecute false only answers whether this target handles nID;
    // with bExecute true also runs the handler. Returns true when this target handles nID.
    virtual bool OnCmdMsg(int nID, bool bExecute) {
        (void)nID;
        (void)bExecute;
        return false;
    }
};
