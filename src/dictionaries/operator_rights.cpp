#include "dictionaries/operator_rights.h"

#include "core/program_config.h"
#include "dictionaries/operator_file.h"

bool IsAdministrator(QByteArrayView operatorName)
{
    return operatorName == QByteArrayView(kAdministratorName);
}

OperatorRights RightsFor(QByteArrayView operatorName, const ProgramConfig &config)
{
    const bool admin = IsAdministrator(operatorName);
    OperatorRights r;
    r.editMass = admin || !config.lockMassEdit;
    r.editPrice = admin || !config.lockPriceEdit;
    r.materialPrice = r.editPrice;
    r.deleteMeasurements = admin || !config.lockDelete;
    r.changeOperator = admin;
    r.scaleSettings = admin;
    r.advancedSettings = admin;
    r.manageOperators = admin;
    r.tableHeaderAndOperator = admin;
    r.resetClearsOperator = admin;
    return r;
}
