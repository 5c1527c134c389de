// The single-document template: makes the one document, the frame and the view, ties them
// together, and reuses the document for every later File New and File Open.
#pragma once

#include <functional>

#include <QString>
#include <QStringList>

class CDocument;
class CFrameWnd;
class CView;

class CSingleDocTemplate {
public:
    using DocFactory = std::function<CDocument*()>;
    using FrameFactory = std::function<CFrameWnd*()>;
    using ViewFactory = std::function<CView*()>;

    // nIDResource: the resource id of the template. strDocStrings: the template string, fields
    // separated by '\n': window title, document name, new-file name, filter name, filter
    // extension, file type id, file type name.
    CSingleDocTemplate(int nIDResource, const QString& strDocStrings, DocFactory makeDoc,
                       FrameFactory makeFrame, ViewFactory makeView);
    ~CSingleDocTemplate();
    CSingleDocTemplate(const CSingleDocTemplate&) = delete;
    CSingleDocTemplate& operator=(const CSingleDocTemplate&) = delete;

    enum DocStringIndex {
        windowTitle,
        docName,
        fileNewName,
        filterName,
        filterExt,
        regFileTypeId,
        regFileTypeName
    };
    // Field nIndex of the template string ("" when absent).
    QString GetDocString(DocStringIndex nIndex) const;
    int GetResourceId() const { return m_nIDResource; }

    // A null path: a new document; else the document read from that file. The first call makes
    // the document, the frame and the view. Returns the document, or null when the frame could
    // not be made (the user is told) or the document could not be opened.
    CDocument* OpenDocumentFile(const QString* pPathName);

    CDocument* GetDocument() const { return m_pDocument; }
    CFrameWnd* GetFrame() const { return m_pFrame; }
    CView* GetView() const { return m_pView; }

    // Destroys the frame (with the view) and then the document.
    void CloseAll();

private:
    int m_nIDResource;
    QStringList m_DocStrings;
    DocFactory m_makeDoc;
    FrameFactory m_makeFrame;
    ViewFactory m_makeView;
    CDocument* m_pDocument;
    CFrameWnd* m_pFrame;
    CView* m_pView;

    bool CreateObjects();
};
