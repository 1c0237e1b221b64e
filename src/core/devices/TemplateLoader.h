#pragma once

#include <QString>
#include <QStringList>

class AppContext;
class IniFile;
class TemplateTables;
struct DeviceProfile;

// Loads the selected device's template (its PLATES) from the two template files of the table
// version: the task rows and their node names, the operation records with their region sizes,
// and the version stamps. Messages go to the operator ("Table Error"); the result is false when
// a template file is missing, the template is "NONE" or the versions do not match.
bool LoadTemplates(AppContext& ctx, const QString& deviceName);

// Reads the task-row section of the device's template into the editable list of lines, parses
// it and builds the tree and the menu. False (after a "Table Error" warning naming the file, the
// line and the fault) when a row was refused; the tree is then empty.
bool LoadTaskRows(AppContext& ctx);

// A task row that was not taken: its index in the parsed lines and what is wrong with it.
struct RefusedTaskRow {
    int line = -1; // -1 when every row was taken
    QString reason;
};

// Parses lines into the rows (clearing the tables first), taking node names from nodeNames's
// NodeNames section; the parameter editor re-runs this and BuildTaskTree on its list. A row's
// step count must be a number from 0 to 32 equal to the number of steps that follow it, and each
// step a number from 0 to 255: a row that breaks this is refused, and with it the whole list (the
// tables stay cleared), since a cycle whose rows are half understood would run some of its steps
// and report a pass.
RefusedTaskRow ParseTaskRows(TemplateTables& tables, const QStringList& lines, const IniFile& nodeNames);

// Builds the tree (parent of each node, how many rows form it) and the "MCU Section" menu from
// the rows, and tells the observers.
void BuildTaskTree(TemplateTables& tables);

// Fills operation slot n from an operation line's value part for the device; a value part
// shorter than 33 characters leaves the slot absent (size and location only).
void ParseOperationLine(TemplateTables& tables, int slot, const QString& valuePart, const DeviceProfile& profile,
                        bool skipBlank);

// The template file a section is read from: the "0" file when it has the section, else the "1"
// file (name without directory; empty when the table version names no file).
QString TemplateFileOfSection(const QString& appDir, const QString& tableVersion, const QString& section);

// Makes the option refresh drive the rows' availability (once per context).
void ConnectTaskRowsToOptions(AppContext& ctx);
