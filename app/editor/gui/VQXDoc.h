#pragma once
// The source document: its file, whether it is a calibration source (".tqc"), its title and the
// saving of it. The text and the four properties live in its one view, CVQXView, which reads and
// writes the file.

#include <QObject>
#include <QString>

#include <string>

class CVQXView;

class CVQXDoc : public QObject {
    Q_OBJECT
public:
    explicit CVQXDoc(CVQXView* view);

    QString PathName() const { return m_path; }
    // Sets the file (the calibration flag follows its extension) and the title.
    void SetPathName(const QString& path);
    bool IsCalibration() const { return m_calibration; }
    // A document without a file (an uploaded program, read from a file that goes): its title and kind.
    void SetUntitled(const QString& title, bool calibration);
    // The file name, or "Untitled" for a document never saved.
    QString Title() const;
    bool IsModified() const;
    void SetModifiedFlag(bool modified);

    // Reads a file into the view; false with *error set (the document is left as it was).
    bool OnOpenDocument(const QString& path, std::string* error);
    // Writes the file atomically; false (after telling the user) when it could not be written:
    // the document stays modified and the file on disk as it was.
    bool OnSaveDocument(const QString& path);
    // Saves to the path; without one (Save As, or never saved) asks for a name first. False on
    // Cancel or failure.
    bool DoSave(const QString& path);

Q_SIGNALS:
    void titleChanged();

private:
    CVQXView* m_view;
    QString m_path;
    QString m_untitled;
    bool m_calibration = false;
};
