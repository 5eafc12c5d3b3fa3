#pragma once

#include <string>

namespace devservice {

// An S3 error answer: status and the Code/Message of its error document.
struct S3Error {
    int status = 500;
    std::string code;
    std::string message;

    static S3Error accessDenied(std::string message = "Access Denied") {
        return {403, "AccessDenied", std::move(message)};
    }
    static S3Error signatureMismatch() {
        return {403, "SignatureDoesNotMatch",
                "The request signature we calculated does not match the signature you provided. "
                "Check your key and signing method."};
    }
    static S3Error noSuchUpload() {
        return {404, "NoSuchUpload",
                "The specified upload does not exist. The upload ID may be invalid, or the upload "
                "may have been aborted or completed."};
    }
    static S3Error noSuchKey() { return {404, "NoSuchKey", "The specified key does not exist."}; }
    static S3Error noSuchBucket() {
        return {404, "NoSuchBucket", "The specified bucket does not exist."};
    }
    static S3Error malformedXml() {
        return {400, "MalformedXML",
                "The XML you provided was not well-formed or did not validate against our "
                "published schema."};
    }
    static S3Error invalidArgument(std::string message) {
        return {400, "InvalidArgument", std::move(message)};
    }
    static S3Error internal() {
        return {500, "InternalError", "We encountered an internal error. Please try again."};
    }
};

} // namespace devservice
