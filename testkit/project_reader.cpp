// ReadProject: the run's Files component pointed at a project directory.
#include "contig.h"
#include "files.h"
#include "parameters.h"
#include "synthetic_project.h"

namespace {

class ProjectFiles : public Files {
public:
    ProjectFiles(Assembly& model, Parameters& settings, std::string const& dir) {
        assembly = &model;
        parameters = &settings;
        aceFile = (dir + "/edit_dir/project.ace").c_str();
        phdDirectory = (dir + "/phd_dir/").c_str();
        polyDirectory = (dir + "/poly_dir/").c_str();
        columnTags = " polymorphism ";
    }
};

}  // namespace

bool ReadProject(std::string const& dir, Assembly& assembly, Parameters& parameters) {
    ProjectFiles files(assembly, parameters, dir);
    try {
        files.ReadAceFile();
        files.ReadSequenceFiles();
    } catch (...) {
        return false;
    }
    return true;
}
