#pragma once
// Downloads one package of a version through the download cache and unpacks it.

class IInstallerSite;

class FileDeployer {
public:
    FileDeployer(IInstallerSite* site, bool perUser) : site_(site), perUser_(perUser) {}

private:
    IInstallerSite* site_;
    bool perUser_;
};
