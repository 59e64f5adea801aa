# Blender's view of an exported panorama: the world's Environment Texture
# through the Mapping node the README gives (rotation -90 degrees about Z:
# north along +Y, east along +X), rendered by Cycles on the CPU.
#
#   blender -b --factory-startup -P blender-views.py -- PANORAMA FIELD OUT SIZE VIEWS...
#
# FIELD is the horizontal field of view; each VIEW "HEADING,PITCH" (degrees,
# heading clockwise from north) is saved as OUT/view-N.png, SIZE pixels square.
import math
import sys

import bpy

arguments = sys.argv[sys.argv.index("--") + 1:]
panorama, field, out, size = arguments[0], float(arguments[1]), arguments[2], int(arguments[3])
views = [tuple(float(x) for x in view.split(",")) for view in arguments[4:]]

scene = bpy.context.scene
for thing in list(scene.objects):
    bpy.data.objects.remove(thing, do_unlink=True)

world = bpy.data.worlds.new("Sky")
scene.world = world
world.use_nodes = True
nodes, links = world.node_tree.nodes, world.node_tree.links
nodes.clear()
coordinates = nodes.new("ShaderNodeTexCoord")
mapping = nodes.new("ShaderNodeMapping")
mapping.inputs["Rotation"].default_value = (0, 0, math.radians(-90))
environment = nodes.new("ShaderNodeTexEnvironment")
environment.image = bpy.data.images.load(panorama)
environment.interpolation = "Linear"
background = nodes.new("ShaderNodeBackground")
output = nodes.new("ShaderNodeOutputWorld")
links.new(coordinates.outputs["Generated"], mapping.inputs["Vector"])
links.new(mapping.outputs["Vector"], environment.inputs["Vector"])
links.new(environment.outputs["Color"], background.inputs["Color"])
links.new(background.outputs["Background"], output.inputs["Surface"])

lens = bpy.data.cameras.new("Camera")
lens.lens_unit = "FOV"
lens.sensor_fit = "HORIZONTAL"
lens.angle = math.radians(field)
camera = bpy.data.objects.new("Camera", lens)
scene.collection.objects.link(camera)
scene.camera = camera

scene.render.engine = "CYCLES"
scene.cycles.device = "CPU"
scene.cycles.samples = 16
scene.cycles.use_denoising = False
scene.render.resolution_x = size
scene.render.resolution_y = size
scene.render.resolution_percentage = 100
scene.view_settings.view_transform = "Standard"  # the picture's colours as they are, not Filmic's
scene.render.image_settings.file_format = "PNG"
scene.render.image_settings.color_mode = "RGB"

for i, (heading, pitch) in enumerate(views):
    # The camera looks along its -Z: a quarter turn about X points it north (+Y), z up.
    camera.rotation_euler = (math.radians(90 + pitch), 0, math.radians(-heading))
    scene.render.filepath = f"{out}/view-{i}.png"
    bpy.ops.render.render(write_still=True)
