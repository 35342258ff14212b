#pragma once
// The dialogs of annotations and the data logfile: "Enter Comment", "Edit
// Annotataion Entry", "Annotation Settings", the "Annotation Setup Wizard",
// "Logfile settings" and "Edit Log File Key List". Each shows values handed
// in and gives back what the user entered; storing them is the caller's.
// Made and run by the annotation commands; UI thread only.

#include "AnnotationSettings.h"
#include "LogfileSettings.h"

#include <QDialog>
#include <string>
#include <utility>
#include <vector>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QSpinBox;

namespace tavril {

class IPrompt;

// "Enter Comment": a one-line comment and, when notes are wanted, notes.
class CDlgEnterComment : public QDialog {
    Q_OBJECT
public:
    CDlgEnterComment(const std::string& comment, bool withNotes, QWidget* parent = nullptr);
    std::string Comment() const;
    std::string Notes() const;
    QLineEdit* CommentField() const { return m_comment; }
    QPlainTextEdit* NotesField() const { return m_notes; }

private:
    QLineEdit* m_comment;
    QPlainTextEdit* m_notes = nullptr;
};

// What the edit dialog shows and gives back.
struct AnnotationEntry {
    std::string soundPath;
    std::string comment;
    double leftSec = 0, rightSec = 0, topHz = 0, bottomHz = 0;
    int channel = 1;
    std::string notes;  // with line breaks
};

// "Edit Annotataion Entry".
class CDlgEditAnnotation : public QDialog {
    Q_OBJECT
public:
    CDlgEditAnnotation(const AnnotationEntry& entry, QWidget* parent = nullptr);
    AnnotationEntry Entry() const;
    QLineEdit* CommentField() const { return m_comment; }
    QDoubleSpinBox* StartField() const { return m_left; }

private:
    AnnotationEntry m_entry;
    QLineEdit* m_comment;
    QDoubleSpinBox *m_left, *m_right, *m_top, *m_bottom;
    QSpinBox* m_channel;
    QPlainTextEdit* m_notes;
};

// "Annotation Settings".
class CDlgAnnotationSettings : public QDialog {
    Q_OBJECT
public:
    CDlgAnnotationSettings(const AnnotationSettings& s, std::string settingsFile, QWidget* parent = nullptr);
    AnnotationSettings Settings() const;
    QCheckBox* Box(int i) const { return m_boxes[i]; }

private:
    std::string m_settingsFile;
    QCheckBox* m_boxes[5];
};

// "Annotation Setup Wizard": the sound, the annotation file name and an
// optional folder for it, checked on "Next ->".
class CDlgAnnotationSetupWiz : public QDialog {
    Q_OBJECT
public:
    CDlgAnnotationSetupWiz(IPrompt& prompt, QWidget* parent = nullptr);
    std::string SoundPath() const;
    std::string AnnotationName() const;
    std::string AnnotationFolder() const;
    QLineEdit* SoundField() const { return m_sound; }
    QLineEdit* NameField() const { return m_name; }
    // The checks of "Next ->": true when the entries can be linked.
    bool Check();

private:
    IPrompt& m_prompt;
    QLineEdit* m_sound;
    QLineEdit* m_name;
    QLineEdit* m_folder;
};

// "Logfile settings".
class CDlgLogfileSettings : public QDialog {
    Q_OBJECT
public:
    CDlgLogfileSettings(const LogfileSettings& s, const LogKeyList& keys, IPrompt& prompt, std::string settingsFile,
                        QWidget* parent = nullptr);
    LogfileSettings Settings() const;
    const LogKeyList& Keys() const { return m_keys; }
    QLineEdit* NameField() const { return m_name; }

private:
    IPrompt& m_prompt;
    std::string m_settingsFile;
    LogfileSettings m_initial;
    LogKeyList m_keys;
    QLineEdit* m_name;
    QLineEdit* m_folder;
    std::vector<std::pair<QCheckBox*, bool LogfileSettings::*>> m_flags;
    QComboBox* m_freqUnits;
    QComboBox* m_timeUnits;
};

// "Edit Log File Key List".
class CDlgLogKeyList : public QDialog {
    Q_OBJECT
public:
    CDlgLogKeyList(const LogKeyList& keys, IPrompt& prompt, std::string settingsFile, QWidget* parent = nullptr);
    const LogKeyList& Keys() const { return m_keys; }
    QLineEdit* KeyField() const { return m_key; }
    QLineEdit* TextField() const { return m_text; }
    // Binds the key field's character to the text field's text.
    void StoreEntry();

private:
    void Refill();
    IPrompt& m_prompt;
    std::string m_settingsFile;
    LogKeyList m_keys;
    QListWidget* m_list;
    QLineEdit* m_key;
    QLineEdit* m_text;
};

} // namespace tavril
