"""What the command language hands to scripts built on the modules: long
texts read piece by piece, a failure counter, the model's serial number, the
reporting times, and branch statuses set by command."""
import pytest

from api_harness import BAD_ARGUMENT, BRANCH, NODE, UNKNOWN_NAME, engine, library, town  # noqa: F401


def whole(eng, name):
    """The variable read in 48-character pieces, as a script with the module's buffer does."""
    text, offset = "", 0
    while True:
        piece = eng.var(f"{name} {offset}")
        text += piece
        if len(piece) < 48:
            return text
        offset += 48


def test_long_texts_read_in_pieces(town, tmp_path):
    missing = tmp_path / ("a_folder_with_a_rather_long_name_" * 3) / "model.inp"
    assert town.cmd(f'LOAD "{missing}"') != 0
    message = whole(town, "LASTERROR")
    assert message.endswith("model.inp") and str(missing) in message and len(message) > 120
    assert town.var("LASTERROR 0") == message[:48]
    assert town.var(f"lasterror {len(message)}") == "" and town.var("LASTERROR 100000") == ""
    for bad in ("LASTERROR -1", "LASTERROR 2.5", "LASTERROR x"):
        assert town.cmd("OPTION TRIALS 40") == 0
        town.var(bad)
        assert town.var("LASTSTATUS") == str(BAD_ARGUMENT)
    assert town.var("LASTERROR 1 2") is None and town.var("NOPE 0") is None


def test_failure_counter_and_model_serial(town):
    failures, serial = int(town.var("NFAILURES")), town.var("MODELSERIAL")
    town.ok("OPTION TRIALS 40", "SIMULATE")
    assert town.var("NFAILURES") == str(failures)
    town.cmd("OPTION TRIALS none")
    town.cmd("OPTION TRIALS none")  # the same failure twice still counts twice
    assert town.var("NFAILURES") == str(failures + 2)
    assert town.var("MODELSERIAL") == serial  # edits and runs keep the model
    town.ok(f"LOAD \"{town.var('MODELFILE', 400)}\"")
    assert town.var("MODELSERIAL") != serial
    serial = town.var("MODELSERIAL")
    town.ok("UNLOAD")
    assert town.var("MODELSERIAL") != serial


def test_reporting_times(town):
    town.ok("TIME HYDRAULIC STEP 0:30", "TIME REPORT STEP 2", "TIME REPORT START 1:30")
    assert [town.var(v) for v in ("HYDSTEP", "REPORTSTEP", "REPORTSTART")] == ["0.5", "2", "1.5"]
    town.ok("UNLOAD")
    assert town.var("REPORTSTEP") == ""


def flows(eng, branch):
    _, _, values = eng.series(BRANCH, branch, "Q")
    return values


def closed_while_uncontrolled(values, branch):
    # The town's controls start the pump again once the tank runs low.
    return all(abs(q) < 1e-6 for q in (values[:1] if branch == "PU1" else values))


@pytest.mark.parametrize("branch", ["P3", "PU1", "V1"])
def test_closing_and_reopening_a_branch(town, branch, tmp_path):
    town.ok("SIMULATE")
    before = flows(town, branch)
    assert any(abs(q) > 1e-3 for q in before)
    town.ok(f"SET BRANCH {branch} STATUS CLOSED", "SIMULATE")
    assert closed_while_uncontrolled(flows(town, branch), branch)
    saved = tmp_path / "closed.inp"
    town.ok(f'SAVE "{saved}"', f'LOAD "{saved}"', "SIMULATE")
    assert closed_while_uncontrolled(flows(town, branch), branch)  # the status is saved
    reopen = "ACTIVE" if branch == "V1" else "OPEN"
    town.ok(f"set branch {branch} status {reopen.lower()}", "SIMULATE")
    assert flows(town, branch) == pytest.approx(before, rel=1e-5, abs=1e-5)


def test_statuses_a_branch_cannot_take(town):
    for line in ("SET BRANCH P3 STATUS ACTIVE", "SET BRANCH PU1 STATUS ACTIVE",
                 "SET BRANCH P3 STATUS SHUT", "SET BRANCH P3 STATUS", "SET BRANCH P3 STATUS OPEN NOW"):
        assert town.cmd(line) != 0, line
    assert town.cmd("SET BRANCH NOPE STATUS CLOSED") == UNKNOWN_NAME
    assert town.cmd("SET NODE J2 STATUS CLOSED") != 0  # nodes have no status
    town.ok("SIMULATE")  # nothing changed by the refused lines
    assert any(abs(q) > 1e-3 for q in flows(town, "P3"))
