#include "Failure.h"

#include "AppText.h"
#include "Cancelled.h"
#include "ParcelKitError.h"

namespace Parcella {

using ParcelKit::ParcelKitError;

Failure Failure::from(std::exception_ptr error, Stage stage, bool interrupted) {
    try {
        std::rethrow_exception(error);
    } catch (const ParcelKit::Cancelled&) {
        if (interrupted)
            return {ExitCode::interrupted,
                    AppText::tr("Interrupted. Run the same command again to resume the uploads.")};
        return {ExitCode::uploadFailed, AppText::tr("An upload was cancelled or removed.")};
    } catch (const ParcelKitError& engine) {
        if (engine.kind() == ParcelKitError::Kind::notSignedIn)
            return {ExitCode::signInNeeded,
                    engine.userText() + AppText::tr(" Run “parcella-cli login” first.")};
        if (stage == Stage::upload)
            return {ExitCode::uploadFailed, engine.userText()};
        if (engine.kind() == ParcelKitError::Kind::network)
            return {ExitCode::failure, engine.userText()};
        return {ExitCode::serviceRefused, engine.userText()};
    } catch (const std::exception& other) {
        const ExitCode code = stage == Stage::upload ? ExitCode::uploadFailed : ExitCode::failure;
        return {code, ParcelKitError::wrapping(other).userText()};
    } catch (...) {
        return {ExitCode::failure, AppText::tr("An unknown error occurred.")};
    }
}

} // namespace Parcella
