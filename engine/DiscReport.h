#pragma once

#include "discengine/Device.h"

#include <QString>
#include <QStringList>

#include <cstdint>

class QPlainTextEdit;
class QTextEdit;

// The disc information report of the Copy CD page's drive panels, and the disc tests the jobs
// use. Texts come from the language table. Every function may throw discengine::EngineError;
// the lines written before the failure stay where they were written.

// Where report lines go: a memo, or a list for the command line.
class ReportWriter {
public:
    virtual ~ReportWriter() = default;
    virtual void Clear() = 0;
    virtual void Add(const QString& line) = 0;
};

class LineListWriter final : public ReportWriter {
public:
    void Clear() override { lines_.clear(); }
    void Add(const QString& line) override { lines_.append(line); }
    const QStringList& Lines() const { return lines_; }

private:
    QStringList lines_;
};

// A memo (made read-only by the writer), one line per paragraph, appended as plain text.
class PlainTextMemoWriter final : public ReportWriter {
public:
    explicit PlainTextMemoWriter(QPlainTextEdit* memo);
    void Clear() override;
    void Add(const QString& line) override;

private:
    QPlainTextEdit* memo_;
    bool hasLines_;
};

class TextEditMemoWriter final : public ReportWriter {
public:
    explicit TextEditMemoWriter(QTextEdit* memo);
    void Clear() override;
    void Add(const QString& line) override;

private:
    QTextEdit* memo_;
    bool hasLines_;
};

// Clears the report, then vendor, product, revision, speeds and buffer size.
void WriteDeviceSection(discengine::IDeviceX& drive, ReportWriter& out);
// The 16 read-capability lines, in the report's order.
void WriteReadCapabilities(discengine::IDeviceX& drive, ReportWriter& out);
// The 13 write-capability lines.
void WriteWriteCapabilities(discengine::IDeviceX& drive, ReportWriter& out);
// Refreshes the drive, then the disc section (used size on the source side, free size on the
// destination side) and the track list.
void WriteDiscSection(discengine::IDeviceX& drive, ReportWriter& out, bool sourceSide);

// Device, read capabilities, disc with used size.
void WriteSourceReport(discengine::IDeviceX& drive, ReportWriter& out);
// Device, write capabilities, disc with free size.
void WriteDestinationReport(discengine::IDeviceX& drive, ReportWriter& out);

// The same into a memo (mmoCopyCD_Read / mmoCopyCD_Write).
void WriteDeviceSection(discengine::IDeviceX& drive, QPlainTextEdit* memo);
void WriteReadCapabilities(discengine::IDeviceX& drive, QPlainTextEdit* memo);
void WriteWriteCapabilities(discengine::IDeviceX& drive, QPlainTextEdit* memo);
void WriteDiscSection(discengine::IDeviceX& drive, QPlainTextEdit* memo, bool sourceSide);
void WriteSourceReport(discengine::IDeviceX& drive, QPlainTextEdit* memo);
void WriteDestinationReport(discengine::IDeviceX& drive, QPlainTextEdit* memo);

// 2048-byte blocks as MB, rounded up to two decimals (333000 blocks: 650.40).
double BlocksToMB(std::int64_t blocks);
// Free capacity of the loaded medium in MB.
double DiscFreeMB(discengine::IDeviceX& drive);
// Used capacity in MB (the drive is refreshed first).
double DiscUsedMB(discengine::IDeviceX& drive);
// True when a medium with at least one session is loaded (the drive is refreshed first).
bool IsDiscReadable(discengine::IDeviceX& drive);

enum DiscKindCode : int { DiscKindAudioCD = 0, DiscKindOther = 1 };
// 0 when every track of the disc is an audio track (an incomplete disc's open track counts as
// one), 1 for any other disc.
int ClassifyDisc(discengine::IDeviceX& drive);
