#include "engine/DiscReport.h"

#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

namespace {

// Lines go in as plain text through a cursor: no rich-text guessing (a vendor name "<b>" shows as
// it stands), runs of blanks kept (the track lines are aligned), and an empty first line is
// still a line of its own.
void AppendLine(QTextDocument* document, bool& hasLines, const QString& line) {
    QTextCursor cursor(document);
    cursor.movePosition(QTextCursor::End);
    if (hasLines)
        cursor.insertBlock();
    cursor.insertText(line);
    hasLines = true;
}

} // namespace

PlainTextMemoWriter::PlainTextMemoWriter(QPlainTextEdit* memo)
    : memo_(memo), hasLines_(!memo->document()->isEmpty()) {
    memo_->setReadOnly(true);
}

void PlainTextMemoWriter::Clear() {
    memo_->clear();
    hasLines_ = false;
}

void PlainTextMemoWriter::Add(const QString& line) {
    AppendLine(memo_->document(), hasLines_, line);
}

TextEditMemoWriter::TextEditMemoWriter(QTextEdit* memo)
    : memo_(memo), hasLines_(!memo->document()->isEmpty()) {
    memo_->setReadOnly(true);
}

void TextEditMemoWriter::Clear() {
    memo_->clear();
    hasLines_ = false;
}

void TextEditMemoWriter::Add(const QString& line) {
    AppendLine(memo_->document(), hasLines_, line);
}

void WriteDeviceSection(discengine::IDeviceX& drive, QPlainTextEdit* memo) {
    PlainTextMemoWriter out(memo);
    WriteDeviceSection(drive, out);
}

void WriteReadCapabilities(discengine::IDeviceX& drive, QPlainTextEdit* memo) {
    PlainTextMemoWriter out(memo);
    WriteReadCapabilities(drive, out);
}

void WriteWriteCapabilities(discengine::IDeviceX& drive, QPlainTextEdit* memo) {
    PlainTextMemoWriter out(memo);
    WriteWriteCapabilities(drive, out);
}

void WriteDiscSection(discengine::IDeviceX& drive, QPlainTextEdit* memo, bool sourceSide) {
    PlainTextMemoWriter out(memo);
    WriteDiscSection(drive, out, sourceSide);
}

void WriteSourceReport(discengine::IDeviceX& drive, QPlainTextEdit* memo) {
    PlainTextMemoWriter out(memo);
    WriteSourceReport(drive, out);
}

void WriteDestinationReport(discengine::IDeviceX& drive, QPlainTextEdit* memo) {
    PlainTextMemoWriter out(memo);
    WriteDestinationReport(drive, out);
}
