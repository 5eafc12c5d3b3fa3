#pragma once

#include "CliArguments.h"

#include <QCoroTask>

#include <stop_token>

namespace Parcella {

class CliEngine;

// `parcella-cli transfers`: lists the workspace's recent transfers (as lines or as JSON),
// deletes one, or changes when one expires.
namespace TransferCommands {
QCoro::Task<int> run(CliEngine& engine, CliArguments arguments, std::stop_token token);
} // namespace TransferCommands

} // namespace Parcella
