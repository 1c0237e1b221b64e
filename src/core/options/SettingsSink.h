#pragma once

#include <QString>
#include <QtGlobal>

// Where the option keys are written: a control file or the settings store. Booleans go out as
// 1 or 0, integers in decimal.
class SettingsSink
{
public:
    virtual ~SettingsSink() = default;
    virtual void WriteString(const QString& section, const QString& key, const QString& value) = 0;
    virtual void WriteInteger(const QString& section, const QString& key, qint64 value) = 0;
    virtual void WriteBool(const QString& section, const QString& key, bool value)
    {
        WriteInteger(section, key, value);
    }
    virtual void EraseSection(const QString& section) = 0;
};
