#include "telemetry/log_upload.h"

#include <exception>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "base/format.h"
#include "base/installer_site.h"
#include "base/logger.h"
#include "base/resource_strings.h"
#include "net/api_urls.h"
#include "net/http_client.h"
#include "platform/known_folders.h"
#include "platform/utf8_path.h"
#include "telemetry/app_logs.h"
#include "telemetry/telemetry_time_bound.h"

namespace {

const HttpProgress noProgress = [](int, int) {};

std::ifstream openForUpload(const std::string& path) {
    std::ifstream in(platform::fsPath(path), std::ios::binary);
    if (!in) throw std::runtime_error(format("Failed to open %s", path.c_str()));
    return in;
}

}  // namespace

void uploadLog(const LogUploadRun& run, std::istream& stream) {
    const std::string path = logUploadPath(moduleFileVersion(), run.stage, run.correlationId);
    const std::string baseHost = run.site.baseHost();
    const std::string host = run.useDataDomain ? dataHost(baseHost) : baseHost;
    std::stringstream answer;
    {
        LogUploadTimeBound bound;
        httpPost(run.site, stream, "text/plain", answer, true, host, path, noProgress);
    }
    run.site.logger().log("Uploading log file result: %s", answer.str().c_str());
}

void uploadLogs(const LogUploadRun& run, bool withAppLogs) {
    simple_logger& logger = run.site.logger();
    try {
        logger.log("Posting log file");
        if (withAppLogs) {
            logger.log("%s: %d", "CorrIDString", run.correlationId);
            try {
                const std::string appLog = newestAppLog(platform::tempFolder());
                if (!appLog.empty()) {
                    // One handle appends and reads: the file cannot be swapped in between.
                    std::istringstream in(appendAppLogInfo(appLog, run.correlationId));
                    logger.log("Uploading app log file");
                    uploadLog(run, in);
                }
            } catch (const std::exception& e) {
                logger.log("Exception during app log upload %s", e.what());
            }
        }
        try {
            logger.log("Uploading install log file");
            std::ifstream in = openForUpload(logger.fileName());
            uploadLog(run, in);
        } catch (const std::exception& e) {
            logger.log("Error uploading log file: %s", e.what());
        }
    } catch (const std::exception& e) {
        logger.log("Error uploading log file: %s", e.what());
    }
}
