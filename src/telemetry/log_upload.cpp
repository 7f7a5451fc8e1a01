// The log upload after a failed run: the launcher's own log and, when asked,
// the newest application log, to the platform's error-log page.
#include <exception>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "launcher/bootstrapper.h"
#include "base/resource_strings.h"
#include "net/api_urls.h"
#include "net/http_client.h"
#include "platform/known_folders.h"
#include "telemetry/app_logs.h"
#include "base/format.h"
#include "telemetry/telemetry_time_bound.h"

namespace {

const HttpProgress noProgress = [](int, int) {};

std::ifstream openForUpload(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw std::runtime_error(format("Failed to open %s", path.c_str()));
    return in;
}

}  // namespace

void Bootstrapper::uploadLog(std::istream& stream) {
    const std::string path = logUploadPath(moduleFileVersion(), stage, correlationId);
    const std::string host = useDataDomain() ? dataHost(baseHost()) : baseHost();
    std::stringstream answer;
    {
        LogUploadTimeBound bound;
        httpPost(*this, stream, "text/plain", answer, true, host, path, noProgress);
    }
    logger_->log("Uploading log file result: %s", answer.str().c_str());
}

void Bootstrapper::uploadLogs(bool withAppLogs) {
    try {
        logger_->log("Posting log file");
        if (withAppLogs) {
            logger_->log("%s: %d", "CorrIDString", static_cast<int>(correlationId));
            try {
                const std::string appLog = newestAppLog(platform::tempFolder());
                if (!appLog.empty()) {
                    // One handle appends and reads: the file cannot be swapped in between.
                    std::istringstream in(appendAppLogInfo(appLog, correlationId));
                    logger_->log("Uploading app log file");
                    uploadLog(in);
                }
            } catch (const std::exception& e) {
                logger_->log("Exception during app log upload %s", e.what());
            }
        }
        try {
            logger_->log("Uploading install log file");
            std::ifstream in = openForUpload(logger_->fileName());
            uploadLog(in);
        } catch (const std::exception& e) {
            logger_->log("Error uploading log file: %s", e.what());
        }
    } catch (const std::exception& e) {
        logger_->log("Error uploading log file: %s", e.what());
    }
}
