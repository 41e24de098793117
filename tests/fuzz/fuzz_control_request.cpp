// SPDX-License-Identifier: MIT
// The control channel's request path on arbitrary bytes: the stream is split
// into lines (any chunking gives the same lines, none longer than the cap,
// none holding a newline), and each line is parsed. A parsed request has a
// known command and every argument that command needs, of the right type;
// a refused one has a reason. The id of an object comes back unchanged.
#include "FuzzCheck.h"

#include "control/ControlLineReader.h"
#include "control/ControlRequestParser.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    const QByteArray stream(reinterpret_cast<const char *>(data), qsizetype(size));

    ControlLineReader whole;
    const QList<ControlLineReader::Line> lines = whole.feed(stream);

    // The first byte also picks a chunk size for a second, piecewise reading.
    const qsizetype chunk = size > 0 ? 1 + data[0] % 97 : 1;
    ControlLineReader piecewise;
    QList<ControlLineReader::Line> pieces;
    for (qsizetype at = 0; at < stream.size(); at += chunk)
        pieces += piecewise.feed(stream.mid(at, chunk));
    FUZZ_CHECK(pieces.size() == lines.size());

    for (qsizetype i = 0; i < lines.size(); ++i) {
        const ControlLineReader::Line &line = lines.at(i);
        FUZZ_CHECK(line.text == pieces.at(i).text && line.overLength == pieces.at(i).overLength);
        FUZZ_CHECK(line.text.size() <= ControlLineReader::kMaxLine);
        FUZZ_CHECK(!line.text.contains('\n'));
        FUZZ_CHECK(line.overLength == 0 || (line.text.isEmpty() && line.overLength > ControlLineReader::kMaxLine));
        if (line.overLength > 0)
            continue;

        const ControlRequestParser::Result result = ControlRequestParser::parse(line.text);
        FUZZ_CHECK(result.ok == result.error.isEmpty());
        const QJsonDocument document = QJsonDocument::fromJson(line.text);
        if (document.isObject())
            FUZZ_CHECK(result.request.id == document.object().value(QLatin1String("id")));
        if (!result.ok)
            continue;

        const ControlRequest &request = result.request;
        FUZZ_CHECK(document.isObject());
        FUZZ_CHECK(ControlRequestParser::commandName(request.command) ==
                   document.object().value(QLatin1String("cmd")).toString());
        using Command = ControlRequest::Command;
        switch (request.command) {
        case Command::Get:
        case Command::Toggle:
        case Command::SnapshotDelete:
            FUZZ_CHECK(!request.name.isEmpty());
            break;
        case Command::Set:
            FUZZ_CHECK(!request.name.isEmpty());
            FUZZ_CHECK(request.value.isDouble() || request.value.isString() || request.value.isBool());
            break;
        case Command::SnapshotLoad:
            FUZZ_CHECK(request.hasContent != !request.name.isEmpty());
            break;
        case Command::Open:
            FUZZ_CHECK(request.window == QLatin1String("main") || request.window == QLatin1String("settings"));
            break;
        default:
            break;
        }
    }
    return 0;
}
