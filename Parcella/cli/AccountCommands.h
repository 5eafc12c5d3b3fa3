#pragma once

#include "CliArguments.h"

#include <QCoroTask>

#include <stop_token>

namespace Parcella {

class CliEngine;

// The commands about the session: login, logout and open-url.
namespace AccountCommands {
QCoro::Task<int> login(CliEngine& engine, CliArguments arguments, std::stop_token token);
QCoro::Task<int> logout(CliEngine& engine, std::stop_token token);
int openURL(const CliArguments& arguments);
} // namespace AccountCommands

} // namespace Parcella
