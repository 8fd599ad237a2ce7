#pragma once
// The stand-in communication library (zevacomm/) as tests use it: the file
// this build made, a scratch folder for model files, the stand-in's call log
// and its control file of fault rules.
//
// The first get() points ZEVACOMM_LOG and ZEVACOMM_CONTROL into a fresh
// temporary folder and ZEVAHV_COMM_LIBRARY at the stand-in.  The stand-in
// reads the first two when it is loaded, so get() must come before the
// first open of a register-access system in the process.

#include <cstddef>
#include <string>
#include <vector>

class CommStandIn {
public:
    static CommStandIn& get();
    static const char* library_path();  // the libZEVAComm.so of this build

    const std::string& folder() const { return folder_; }
    // Writes a file into the scratch folder; returns its path.
    std::string write_file(const std::string& name, const std::string& text) const;
    // The model of every device the stand-in opens from now on: "w40xx",
    // "rd40xx", a model file, or "" for the stand-in's own choice.
    void use_model(const std::string& choice) const;
    // Writes a model text and uses it.
    void use_model_text(const std::string& text) const;
    // Replaces the fault rules at once ("" for none).
    void set_faults(const std::string& rules) const;

    // The call log: a mark (its current length) and the lines after one.
    std::size_t log_mark() const;
    std::vector<std::string> log_since(std::size_t mark) const;
    // Lines after mark that start with prefix.
    int count_since(std::size_t mark, const std::string& prefix) const;

    ~CommStandIn();

private:
    CommStandIn();
    std::string folder_;
    std::string log_path_;
    std::string control_path_;
};
