"""Values of a network at every hydraulic step from the reference toolkit
(owa-epanet), in the display units of the file, for comparisons."""
from epanet import toolkit as tk

NODE_PROPS = {"P": tk.PRESSURE, "H": tk.HEAD, "D": tk.DEMAND}
LINK_PROPS = {"Q": tk.FLOW, "V": tk.VELOCITY, "S": tk.STATUS}


def reference_steps(inp, tmp_path):
    """{seconds: {(kind, id, attr): value}} at every hydraulic step."""
    ph = tk.createproject()
    tk.open(ph, str(inp), str(tmp_path / "ref.rpt"), "")
    node_ids = [tk.getnodeid(ph, i) for i in range(1, tk.getcount(ph, tk.NODECOUNT) + 1)]
    link_ids = [tk.getlinkid(ph, i) for i in range(1, tk.getcount(ph, tk.LINKCOUNT) + 1)]
    tk.openH(ph)
    tk.initH(ph, 0)
    steps = {}
    while True:
        t = tk.runH(ph)
        values = {}
        for i, nid in enumerate(node_ids, 1):
            for attr, prop in NODE_PROPS.items():
                values[("node", nid, attr)] = tk.getnodevalue(ph, i, prop)
        for i, lid in enumerate(link_ids, 1):
            for attr, prop in LINK_PROPS.items():
                values[("link", lid, attr)] = tk.getlinkvalue(ph, i, prop)
        steps[t] = values
        if tk.nextH(ph) <= 0:
            break
    tk.closeH(ph)
    tk.deleteproject(ph)
    return steps
