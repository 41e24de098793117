// SPDX-License-Identifier: MIT
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class EngineState;

// One control request as it arrived.
struct Request
{
    std::uint32_t code = 0;
    std::uint32_t outCapacity = 0;
    const std::uint8_t *input = nullptr;
    std::size_t inputSize = 0;
    double elapsedMs = 0; // drives the meter signal
    bool describe = true; // fill Reply::fields (skipped when nothing is journalled)
};

// The answer and what the journal records about it. Each field is a name
// and its value as JSON text.
struct Reply
{
    std::uint32_t status = 0;
    std::vector<std::uint8_t> output;
    std::string op;       // the code's operation name, "unknown" for codes the driver lacks
    std::string vendorOp; // for vendor frames: the operation its command number stands for
    std::vector<std::pair<std::string, std::string>> fields;
};

// The strict driver's decisions: a function of the engine state and the
// request only, so it can be tested without sockets.
class RequestHandler
{
public:
    static Reply handle(EngineState &state, const Request &request);
    // The reply to a request that fault injection fails: decoded like any
    // other but without touching the state.
    static Reply refuse(const Request &request, std::uint32_t status);

    static std::string operationName(std::uint32_t code);
    // setMic48V, getFirmwareVersion, ... for a frame on a vendor code; empty
    // when the code carries no vendor frame or the command number is unknown.
    static std::string vendorOperation(std::uint32_t code, const std::uint8_t *input, std::size_t size);
};
