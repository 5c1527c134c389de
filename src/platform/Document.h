// The document base of the framework layer: a title, an optional path, new / open / save /
// save as through Serialize, and a modified flag.
#pragma once

#include <QString>

#include "platform/CmdTarget.h"

class QIODevice;
class CView;
class CSingleDocTemplate;

// The stream a document serializes to or from: an open device and the direction.
class CArchive {
public:
    CArchive(QIODevice* pDevice, bool bStoring) : m_pDevice(pDevice), m_bStoring(bStoring) {}
    bool IsStoring() const { return m_bStoring; }
    bool IsLoading() const { return !m_bStoring; }
    QIODevice* GetDevice() const { return m_pDevice; }

private:
    QIODevice* m_pDevice;
    bool m_bStoring;
};

class CDocument : public CCmdTarget {
public:
    CDocument();
    ~CDocument() override;

    // The title shown in the frame ("Untitled" for a new document, else the file name).
    const QString& GetTitle() const { return m_strTitle; }
    void SetTitle(const QString& strTitle);
    // The document's file; empty for a new document.
    const QString& GetPathName() const { return m_strPathName; }
    // Sets the path and the title from it; with bAddToMRU also enters it in the recent-file list.
    void SetPathName(const QString& strPathName, bool bAddToMRU = true);

    bool IsModified() const { return m_bModified; }
    void SetModifiedFlag(bool bModified = true) { m_bModified = bModified; }

    // File New: empties the contents (DeleteContents), forgets the path, title "Untitled".
    virtual bool OnNewDocument();
    // File Open: reads the file through Serialize. False (and the user is told) when the file
    // cannot be opened for reading; the document is then as before.
    virtual bool OnOpenDocument(const QString& strPathName);
    // File Save: writes the file through Serialize into a temporary file that replaces the
    // target only when complete. False (and the user is told) when it cannot be written.
    virtual bool OnSaveDocument(const QString& strPathName);
    // Asks whether to save a modified document. True when the caller may go on.
    virtual bool SaveModified();
    // Called by new and open before the contents are replaced.
    virtual void DeleteContents() {}
    // Stores or loads the contents; the base does nothing.
    virtual void Serialize(CArchive& ar) { (void)ar; }

    // Save (strPath = current path, asks for one when empty) and Save As (strPath empty).
    // Returns true when the document was written.
    bool DoSave(const QString& strPathName, bool bReplace = true);
    bool DoFileSave();

    // Handles Save (57603) and Save As (57604).
    bool OnCmdMsg(int nID, bool bExecute) override;

    // Wiring set by the document template.
    void SetTemplate(CSingleDocTemplate* pTemplate) { m_pTemplate = pTemplate; }
    CSingleDocTemplate* GetDocTemplate() const { return m_pTemplate; }
    void SetView(CView* pView) { m_pView = pView; }
    CView* GetView() const { return m_pView; }

    // Tells the frame to show the current title.
    void UpdateFrameTitle();

private:
    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified;
    CSingleDocTemplate* m_pTemplate;
    CView* m_pView;
};
